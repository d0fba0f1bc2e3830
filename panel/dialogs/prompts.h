#pragma once
// How the configuration window, its pages and its dialogs ask the user: warnings, questions, file
// choosers and the skinned modal dialogs all go through one Prompts object. The real one shows
// message boxes and file choosers in the skin's dark colours and font and runs dialogs with
// QDialog::exec(); tests install their own (setPrompts) that answers at once and records what was
// asked.
#include <QMessageBox>
#include <QString>

class QDialog;
class QFileDialog;
class QWidget;

namespace dialogs {

// A file for the user to choose.
struct FileQuery {
    QString caption;
    QString folder;         // where the chooser opens
    QString filter;         // "Macro file(*.macro)"; empty: every file
    QString defaultSuffix;  // added to a name typed without one
    QString fileName;       // proposed name (when saving)
};

class Prompts {
public:
    virtual ~Prompts() = default;

    // A message with OK only (icon Warning or Information).
    virtual void tell(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) = 0;
    // A warning with OK and Cancel; true for OK.
    virtual bool confirm(QWidget* parent, const QString& title, const QString& text) = 0;
    // An existing file to read, or a file to write; empty when the user chose none.
    virtual QString openFile(QWidget* parent, const FileQuery& query) = 0;
    virtual QString saveFile(QWidget* parent, const FileQuery& query) = 0;
    // Runs a modal dialog to its end; its result (kDialogOk or kDialogCancel).
    virtual int exec(QDialog& dialog) = 0;
};

// The prompts in use: the installed ones, else the real boxes and choosers.
Prompts& prompts();
// Installs prompts (nullptr: the real ones again); the caller keeps them alive meanwhile.
void setPrompts(Prompts* prompts);

// A message box as the real prompts show it, in the skin's colours and font (also for notices that
// stay open beside the window).
QMessageBox* makeMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                            QMessageBox::StandardButtons buttons, QWidget* parent);
// The file chooser the real prompts show for the query, in the skin's colours and font.
QFileDialog* makeFileDialog(const FileQuery& query, bool forSaving, QWidget* parent);
// Gives a standard Qt dialog (message box, file chooser) the skin's dark colours and font.
void applySkinStyle(QWidget& dialog);

}  // namespace dialogs
