#pragma once

#include <QObject>
#include <QString>
#include <array>

// The texts the editors window and the information window show from the memory image: the
// modified indicators of the grid pages, the selected configuration word in hexadecimal and
// binary, the three ID display forms, the extra-calibration choice of the shown socket, and the
// information window's caption and text. The core computes them; the windows render them and
// redraw on Changed().
class ImageDisplayState : public QObject
{
    Q_OBJECT
public:
    // Grid pages, numbered as the editors window numbers its pages.
    enum Page { CalibrationPage = 0, CodePage = 1, EeDataPage = 2 };
    // The ID display forms: one hex digit per word, two hex digits per word, one character per word.
    enum IdForm { IdHex4 = 0, IdHex7 = 1, IdAscii = 2 };

    using QObject::QObject;

    const QString& ModifiedText(Page page) const { return m_modified.at(page); }
    void SetModifiedText(Page page, const QString& text) { Set(m_modified[page], text); }

    const QString& SelectedWordHexText() const { return m_wordHex; }
    const QString& SelectedWordBinaryText() const { return m_wordBinary; }
    void SetSelectedWordTexts(const QString& hex, const QString& binary)
    {
        Set(m_wordHex, hex);
        Set(m_wordBinary, binary);
    }

    const QString& IdText(IdForm form) const { return m_idTexts.at(form); }
    void SetIdText(IdForm form, const QString& text) { Set(m_idTexts[form], text); }
    // True while the ID boxes are being filled: their change events must not parse them back.
    bool IdUpdateRunning() const { return m_idUpdateRunning; }
    void SetIdUpdateRunning(bool running) { m_idUpdateRunning = running; }

    int ShownXcalChoice() const { return m_xcalChoice; }
    void SetShownXcalChoice(int index)
    {
        if (index != m_xcalChoice) {
            m_xcalChoice = index;
            emit Changed();
        }
    }

    const QString& InformationCaption() const { return m_infoCaption; }
    const QString& InformationText() const { return m_infoText; }
    void SetInformationWindow(const QString& caption, const QString& text)
    {
        Set(m_infoCaption, caption);
        Set(m_infoText, text);
    }

    // The grid page the editors window is showing; reconciliation refreshes that one.
    Page ShownPage() const { return m_shownPage; }
    void SetShownPage(Page page) { m_shownPage = page; }

    // Tells the grid editor of page to rebind to its buffer with the descriptor's new row count.
    void NotifyEditorViewRefreshed(Page page) { emit EditorViewRefreshed(page); }

signals:
    void Changed();
    void EditorViewRefreshed(int page);

private:
    void Set(QString& field, const QString& text)
    {
        if (field != text) {
            field = text;
            emit Changed();
        }
    }

    std::array<QString, 3> m_modified{QStringLiteral("Unmodified"), QStringLiteral("Unmodified"),
                                      QStringLiteral("Unmodified")};
    QString m_wordHex;
    QString m_wordBinary;
    std::array<QString, 3> m_idTexts{};
    bool m_idUpdateRunning = false;
    int m_xcalChoice = 0;
    QString m_infoCaption;
    QString m_infoText;
    Page m_shownPage = CodePage;
};
