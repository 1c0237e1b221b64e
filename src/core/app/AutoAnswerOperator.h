#pragma once

#include "core/context/OperatorInterface.h"

#include <cstdio>

// Answers every box without a person: the default button, except that a box offering Retry is
// answered Cancel (or Abort, or No), since nobody can mend the cause in an unattended run. File
// choosers and input boxes are cancelled. Each box's caption and text go to the stream (standard
// error by default) as one line: "praxon: box: <caption>: <text>", line breaks shown as " | ";
// notices likewise, as "praxon: notice: ...".
class AutoAnswerOperator : public OperatorInterface
{
public:
    explicit AutoAnswerOperator(FILE* stream = stderr) : m_stream(stream) {}

    BoxButton ShowMessage(const MessageRequest& request) override;
    void PlaySound(SoundKind) override {}
    QString ChooseOpenFile(const FileRequest& request) override;
    QString ChooseSaveFile(const FileRequest& request) override;
    bool AskText(const QString& caption, const QString& prompt, QString& value) override;
    // Left as its "OK" would leave it (the initial tick, no password), written to the stream as
    // "praxon: notice: <title>: <text> | [x] <check text>" ("[ ]" when not ticked; "[password]"
    // in password mode).
    bool ShowNotice(const NoticeRequest& request) override;

    // The answer rule, exposed for documentation tests.
    static BoxButton AnswerFor(const MessageRequest& request);
    static QString OneLine(const QString& caption, const QString& text);

private:
    void Write(const QString& line);
    FILE* m_stream;
};
