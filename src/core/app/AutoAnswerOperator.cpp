#include "core/app/AutoAnswerOperator.h"

BoxButton AutoAnswerOperator::AnswerFor(const MessageRequest& request)
{
    if (request.buttons & RetryButton) {
        for (BoxButton way : {CancelButton, AbortButton, NoButtonAnswer}) {
            if (request.buttons & way)
                return way;
        }
    }
    if (request.defaultButton != NoButton && (request.buttons & request.defaultButton))
        return request.defaultButton;
    for (int bit = 1; bit <= IgnoreButton; bit <<= 1) {
        if (request.buttons & bit)
            return BoxButton(bit);
    }
    return NoButton;
}

namespace {
QString Flat(const QString& text)
{
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    flat.replace(u'\n', u'\r');
    flat.replace(u'\r', QLatin1String(" | "));
    return flat;
}
} // namespace

QString AutoAnswerOperator::OneLine(const QString& caption, const QString& text)
{
    return QStringLiteral("praxon: box: ") + caption + QStringLiteral(": ") + Flat(text);
}

bool AutoAnswerOperator::ShowNotice(const NoticeRequest& request)
{
    const QString answer = request.passwordMode
                               ? QStringLiteral("[password]")
                               : (request.ticked ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + request.checkText;
    Write(QStringLiteral("praxon: notice: ") + request.title + QStringLiteral(": ") + Flat(request.text) +
          QStringLiteral(" | ") + answer);
    return request.ticked;
}

void AutoAnswerOperator::Write(const QString& line)
{
    if (!m_stream)
        return;
    std::fputs(line.toLocal8Bit().constData(), m_stream);
    std::fputc('\n', m_stream);
    std::fflush(m_stream);
}

BoxButton AutoAnswerOperator::ShowMessage(const MessageRequest& request)
{
    Write(OneLine(request.caption, request.text));
    return AnswerFor(request);
}

QString AutoAnswerOperator::ChooseOpenFile(const FileRequest& request)
{
    Write(OneLine(request.caption, QStringLiteral("(file chooser cancelled)")));
    return QString();
}

QString AutoAnswerOperator::ChooseSaveFile(const FileRequest& request)
{
    Write(OneLine(request.caption, QStringLiteral("(file chooser cancelled)")));
    return QString();
}

bool AutoAnswerOperator::AskText(const QString& caption, const QString& prompt, QString&)
{
    Write(OneLine(caption, prompt + QStringLiteral(" (cancelled)")));
    return false;
}
