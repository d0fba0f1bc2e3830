#pragma once
// Helpers of the skin toolkit tests: a window that records the messages its controls post, and
// plain-colour test pictures written into a temporary folder.
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/skinned_window.h"
#include "tests/support/private_session.h"

namespace skintest {

struct Message {
    uint32_t message;
    int64_t wParam, lParam;
    bool operator==(const Message&) const = default;
};

class RecordingWindow : public skin::SkinnedWindow {
public:
    RecordingWindow() { resize(400, 300); }
    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override {
        messages.push_back({message, wParam, lParam});
        return 0;
    }
    // Delivers what is queued and hands the recorded messages over.
    std::vector<Message> take() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();  // a menu's second hop (1340 -> 1281)
        return std::exchange(messages, {});
    }
    std::vector<Message> messages;
};

// A folder with a "skins" folder in it, as beside the program.
class PictureFolder {
public:
    PictureFolder() { QDir().mkpath(QString::fromStdString(folder_.file("skins"))); }
    const std::string& path() const { return folder_.path(); }
    std::string skinFile(const std::string& name) const { return folder_.file("skins/" + name); }
    // A width x height picture of one colour in skins/name; returns its path.
    QString picture(const std::string& name, int width, int height, QColor colour) const {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(colour);
        const QString file = QString::fromStdString(skinFile(name));
        image.save(file);
        return file;
    }

private:
    testsupport::TempFolder folder_{"korvante-skin"};
};

}  // namespace skintest
