#pragma once

#include <QString>
#include <QStringList>

// Everything the core asks of a person goes through this interface: message boxes (with the system
// sound that precedes them), file choosers and input boxes. The GUI implements it with real
// dialogs, tests with a scripted fake, and unattended runs with AutoAnswerOperator.

enum class BoxIcon { None, Error, Warning, Question, Information };
enum class SoundKind { None, Error, Warning, Question, Information, Beep };

enum BoxButton : int {
    NoButton = 0,
    OkButton = 0x01,
    CancelButton = 0x02,
    YesButton = 0x04,
    NoButtonAnswer = 0x08,
    RetryButton = 0x10,
    AbortButton = 0x20,
    IgnoreButton = 0x40,
};

struct MessageRequest {
    QString caption;
    QString text; // "\r" separates lines, as the program's texts are written
    BoxIcon icon = BoxIcon::None;
    SoundKind sound = SoundKind::None; // played before the box appears
    int buttons = OkButton;            // OR of BoxButton values
    BoxButton defaultButton = OkButton;
};

struct FileRequest {
    QString caption;
    QString filter;    // "HEX files (*.hex);;All files (*)"
    QString directory; // start directory
    QString fileName;  // proposed name
};

// The notice dialog's question: title, text, and either a check box (its tick is the answer) or
// a password box (the password entered goes to *password when given).
struct NoticeRequest {
    QString title;
    QString text; // "\r" separates lines
    bool passwordMode = false;
    QString checkText;
    bool ticked = false; // the check box's initial tick
    QString* password = nullptr;
};

class OperatorInterface
{
public:
    virtual ~OperatorInterface() = default;

    // Shows a box and returns the button chosen (never NoButton unless buttons was empty).
    virtual BoxButton ShowMessage(const MessageRequest& request) = 0;
    virtual void PlaySound(SoundKind sound) = 0;
    // Return an empty string when cancelled.
    virtual QString ChooseOpenFile(const FileRequest& request) = 0;
    virtual QString ChooseSaveFile(const FileRequest& request) = 0;
    // Returns false when cancelled; value holds the proposal on entry and the answer on exit.
    virtual bool AskText(const QString& caption, const QString& prompt, QString& value) = 0;
    // Shows the notice dialog; returns the check box's tick when it is closed (in password mode
    // the initial tick).
    virtual bool ShowNotice(const NoticeRequest& request) = 0;

    // Conveniences for the common boxes; each plays the sound of its kind first.
    void ShowError(const QString& caption, const QString& text);
    void ShowWarning(const QString& caption, const QString& text);
    void ShowInformation(const QString& caption, const QString& text);
    BoxButton AskOkCancel(const QString& caption, const QString& text, BoxIcon icon = BoxIcon::Question);
};

// The program's line-break convention ("\r") in the platform's form for display.
QString DisplayText(const QString& text);
