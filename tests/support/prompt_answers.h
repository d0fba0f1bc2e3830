#pragma once
// PromptAnswers: the window's and the dialogs' prompts answered at once, with the answers the test
// queued, and recorded (what kind, the caption, the text, the file query). It is installed for its
// lifetime. A prompt without a queued answer is cancelled: a question gets Cancel, a file chooser
// no file, a dialog is closed. Nothing waits on a timer and no box is ever shown.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTest>

#include <deque>
#include <functional>
#include <vector>

#include "panel/dialogs/prompts.h"

namespace testsupport {

class PromptAnswers : public dialogs::Prompts {
public:
    enum class Kind { Message, Question, OpenFile, SaveFile, Dialog };
    struct Asked {
        Kind kind;
        QString title;  // caption of a box or chooser, title of a dialog
        QString text;   // text of a box
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        dialogs::FileQuery query{};
    };

    PromptAnswers() { dialogs::setPrompts(this); }
    ~PromptAnswers() override { dialogs::setPrompts(nullptr); }
    PromptAnswers(const PromptAnswers&) = delete;
    PromptAnswers& operator=(const PromptAnswers&) = delete;

    // The next question gets OK (true) or Cancel; `meanwhile` runs first, while it is being asked.
    void answerQuestion(bool ok, std::function<void()> meanwhile = {}) {
        questions_.push_back({ok, std::move(meanwhile)});
    }
    // The next file chooser gives this path ("" chooses none).
    void answerFile(const QString& path) { files_.push_back(path); }
    // The next dialog, which must be a D, is shown (not modal) and handed to `drive`, which works
    // it with input events; a dialog still open afterwards is cancelled.
    template <class D>
    void answerDialog(std::function<void(D&)> drive) {
        dialogs_.push_back([drive = std::move(drive)](QDialog& dialog) {
            auto* typed = dynamic_cast<D*>(&dialog);
            if (typed == nullptr) {
                ADD_FAILURE() << "another dialog opened: " << dialog.windowTitle().toStdString();
                return;
            }
            drive(*typed);
        });
    }

    // What was asked, oldest first.
    std::vector<Asked> asked;
    int count(Kind kind) const {
        int n = 0;
        for (const Asked& a : asked) n += a.kind == kind ? 1 : 0;
        return n;
    }

    void tell(QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text) override {
        asked.push_back({Kind::Message, title, text, icon});
    }
    bool confirm(QWidget*, const QString& title, const QString& text) override {
        asked.push_back({Kind::Question, title, text, QMessageBox::Warning});
        if (questions_.empty()) return false;
        Question next = std::move(questions_.front());
        questions_.pop_front();
        if (next.meanwhile) next.meanwhile();
        return next.ok;
    }
    QString openFile(QWidget*, const dialogs::FileQuery& query) override { return chooseFile(Kind::OpenFile, query); }
    QString saveFile(QWidget*, const dialogs::FileQuery& query) override { return chooseFile(Kind::SaveFile, query); }
    int exec(QDialog& dialog) override {
        asked.push_back({Kind::Dialog, dialog.windowTitle(), {}});
        dialog.setResult(QDialog::Rejected);
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        if (!dialogs_.empty()) {
            std::function<void(QDialog&)> drive = std::move(dialogs_.front());
            dialogs_.pop_front();
            drive(dialog);
        }
        if (dialog.isVisible()) dialog.reject();
        return dialog.result();
    }

private:
    struct Question {
        bool ok;
        std::function<void()> meanwhile;
    };
    QString chooseFile(Kind kind, const dialogs::FileQuery& query) {
        asked.push_back({kind, query.caption, {}, QMessageBox::NoIcon, query});
        if (files_.empty()) return {};
        const QString file = files_.front();
        files_.pop_front();
        return file;
    }

    std::deque<Question> questions_;
    std::deque<QString> files_;
    std::deque<std::function<void(QDialog&)>> dialogs_;
};

}  // namespace testsupport
