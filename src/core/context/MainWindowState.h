#pragma once

#include <QObject>
#include <QString>

// What the main window shows that the core decides: title, MCU box, status line, the information
// report and the fuse summary. The GUI renders it; headless runs ignore it.
class MainWindowState : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    const QString& Title() const { return m_title; }
    const QString& McuText() const { return m_mcuText; }
    const QString& StatusText() const { return m_statusText; }
    const QString& InformationText() const { return m_informationText; }
    const QString& FuseSummaryText() const { return m_fuseSummaryText; }
    int PortIndex() const { return m_portIndex; }

    void SetTitle(const QString& text) { Set(m_title, text); }
    void SetMcuText(const QString& text) { Set(m_mcuText, text); }
    void SetStatusText(const QString& text) { Set(m_statusText, text); }
    void SetInformationText(const QString& text) { Set(m_informationText, text); }
    void SetFuseSummaryText(const QString& text) { Set(m_fuseSummaryText, text); }
    void SetPortIndex(int index)
    {
        if (index != m_portIndex) {
            m_portIndex = index;
            emit Changed();
        }
    }

    // Asks the GUI to show the main window (minimised when asked on the command line).
    void RequestShow(bool minimised) { emit ShowRequested(minimised); }

signals:
    void Changed();
    void ShowRequested(bool minimised);

private:
    void Set(QString& field, const QString& text)
    {
        if (field != text) {
            field = text;
            emit Changed();
        }
    }

    QString m_title = QStringLiteral("Praxon");
    QString m_mcuText;
    QString m_statusText;
    QString m_informationText;
    QString m_fuseSummaryText;
    int m_portIndex = 0;
};
