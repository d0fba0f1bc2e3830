#pragma once
// StartPage: the four tiles that lead to the other pages, and above them what to do while the mouse
// or the service is missing (the window's state strip says what is missing).
#include "panel/pages/page.h"

namespace skin {
class CStaticTrans;
}

namespace panel {

class StartPage : public Page {
public:
    explicit StartPage(PageHost& host);

    // The hint above the tiles; empty hides it.
    void setHint(const QString& hint);
    QString hint() const;

    void setShown(bool shown) override;
    void refresh(const PanelModel&) override {}

protected:
    void controlsMade() override;

private:
    skin::CStaticTrans* hint_ = nullptr;
};

}  // namespace panel
