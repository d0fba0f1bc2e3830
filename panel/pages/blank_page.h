#pragma once
// BlankPage: the frame alone, its page area covered with the ground beside the start page's tiles,
// and one way back to the start page (the button page's home tab). The service shows it (1294).
#include "panel/pages/page.h"

namespace panel {

class BlankPage : public Page {
public:
    explicit BlankPage(PageHost& host);

    void refresh(const PanelModel&) override {}
    void paintOver(QPainter& painter, const QImage& picture) const override;

protected:
    bool wants(const layout::Control& control) const override;
    void controlsMade() override { dropPicture(); }
};

}  // namespace panel
