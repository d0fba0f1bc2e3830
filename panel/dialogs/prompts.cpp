#include "panel/dialogs/prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QPalette>

#include <memory>

#include "skin/skin_style.h"

namespace dialogs {
namespace {

// The window's colours: a dark ground with light text, the inset fields darker still, amber for
// what is selected.
const QColor kGround(0x1C, 0x1E, 0x22);
const QColor kRaised(0x2A, 0x2D, 0x33);
const QColor kField(0x12, 0x0F, 0x0D);
const QColor kText(0xEE, 0xEB, 0xE9);
const QColor kQuietText(0x8A, 0x90, 0x99);
const QColor kEdge(0x3A, 0x3F, 0x47);
const QColor kSelection(0xC8, 0xA4, 0x00);
const QColor kSelectedText(0x0B, 0x0C, 0x0F);
constexpr int kFontHeight = 14;

QString chooseFile(QWidget* parent, const FileQuery& query, bool forSaving) {
    std::unique_ptr<QFileDialog> dialog(makeFileDialog(query, forSaving, parent));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().constFirst();
}

class RealPrompts : public Prompts {
public:
    void tell(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) override {
        std::unique_ptr<QMessageBox> box(makeMessageBox(icon, title, text, QMessageBox::Ok, parent));
        box->exec();
    }
    bool confirm(QWidget* parent, const QString& title, const QString& text) override {
        std::unique_ptr<QMessageBox> box(
            makeMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok | QMessageBox::Cancel, parent));
        return box->exec() == QMessageBox::Ok;
    }
    QString openFile(QWidget* parent, const FileQuery& query) override { return chooseFile(parent, query, false); }
    QString saveFile(QWidget* parent, const FileQuery& query) override { return chooseFile(parent, query, true); }
    int exec(QDialog& dialog) override { return dialog.exec(); }
};

RealPrompts& realPrompts() {
    static RealPrompts real;
    return real;
}

Prompts*& installed() {
    static Prompts* prompts = nullptr;
    return prompts;
}

}  // namespace

Prompts& prompts() { return installed() != nullptr ? *installed() : realPrompts(); }

void setPrompts(Prompts* prompts) { installed() = prompts; }

void applySkinStyle(QWidget& dialog) {
    QPalette p = dialog.palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        p.setColor(group, QPalette::Window, kGround);
        p.setColor(group, QPalette::WindowText, disabled ? kQuietText : kText);
        p.setColor(group, QPalette::Base, kField);
        p.setColor(group, QPalette::AlternateBase, kGround);
        p.setColor(group, QPalette::Text, disabled ? kQuietText : kText);
        p.setColor(group, QPalette::PlaceholderText, kQuietText);
        p.setColor(group, QPalette::Button, kRaised);
        p.setColor(group, QPalette::ButtonText, disabled ? kQuietText : kText);
        p.setColor(group, QPalette::BrightText, kText);
        p.setColor(group, QPalette::Highlight, kSelection);
        p.setColor(group, QPalette::HighlightedText, kSelectedText);
        p.setColor(group, QPalette::Link, kSelection);
        p.setColor(group, QPalette::ToolTipBase, kRaised);
        p.setColor(group, QPalette::ToolTipText, kText);
        p.setColor(group, QPalette::Light, kEdge);
        p.setColor(group, QPalette::Midlight, kEdge);
        p.setColor(group, QPalette::Mid, kEdge);
        p.setColor(group, QPalette::Dark, kField);
        p.setColor(group, QPalette::Shadow, kField);
    }
    dialog.setPalette(p);
    dialog.setFont(skin::uiFont(kFontHeight));
}

QMessageBox* makeMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                            QMessageBox::StandardButtons buttons, QWidget* parent) {
    auto* box = new QMessageBox(icon, title, text, buttons, parent);
    applySkinStyle(*box);
    return box;
}

QFileDialog* makeFileDialog(const FileQuery& query, bool forSaving, QWidget* parent) {
    auto* dialog = new QFileDialog(parent, query.caption, query.folder, query.filter);
    applySkinStyle(*dialog);
    dialog->setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!query.defaultSuffix.isEmpty()) dialog->setDefaultSuffix(query.defaultSuffix);
    if (!query.fileName.isEmpty()) dialog->selectFile(query.fileName);
    return dialog;
}

}  // namespace dialogs
