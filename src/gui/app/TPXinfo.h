#pragma once

#include <QWidget>

class ImageDisplayState;
class QPlainTextEdit;
class QPushButton;

// The information window: a sizable tool window with a copy of the configuration-word summary and
// the information report, titled "Information - " and the HEX file path, and a "Close" button.
// It follows the image's display state while it exists.
class TPXinfo : public QWidget
{
    Q_OBJECT
public:
    // display must outlive the window.
    explicit TPXinfo(ImageDisplayState& display, QWidget* parent = nullptr);

    QPlainTextEdit* Text() const { return m_text; }
    QPushButton* CloseButton() const { return m_close; }

private:
    void ShowState();

    ImageDisplayState& m_display;
    QPlainTextEdit* m_text;
    QPushButton* m_close;
};
