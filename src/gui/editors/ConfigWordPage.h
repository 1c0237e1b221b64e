#pragma once

#include <QWidget>
#include <array>

class AppContext;
class QComboBox;
class QLabel;
class QSlider;
class QToolButton;

// The "MCU Fuse Options" page: the word selector, sixteen field slots (a label and a drop-down of
// options each, odd slots on the left, even ones on the right), the option boxes and the result
// display of the selected word. It renders the context's field slots and the selected word's texts
// and passes the operator's choices to the core, which composes the word into the image.
class ConfigWordPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int SlotCount = 16;

    explicit ConfigWordPage(AppContext& context, QWidget* parent = nullptr);

    QSlider* WordSelector() const { return m_selector; }
    QLabel* WordNumber() const { return m_wordNumber; }
    // slot: 1 .. 16.
    QComboBox* FieldBox(int slot) const { return m_boxes.at(size_t(slot - 1)); }
    QLabel* FieldLabel(int slot) const { return m_labels.at(size_t(slot - 1)); }
    QLabel* HexValue() const { return m_hex; }
    QLabel* BinaryValue() const { return m_binary; }
    QToolButton* HexOptionsButton() const { return m_hexOptions; }
    // The index of the field (0 .. 15) whose drop-down last took the focus, per configuration word.
    int LastEnteredField(int word) const { return m_lastEntered.at(size_t(word)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Render();
    void ShowTexts();
    void EnableInput(bool enabled);

    AppContext& m_context;
    QSlider* m_selector;
    QLabel* m_wordNumber;
    std::array<QLabel*, SlotCount> m_labels{};
    std::array<QComboBox*, SlotCount> m_boxes{};
    QLabel* m_hex;
    QLabel* m_binary;
    QToolButton* m_hexOptions;
    std::array<int, 8> m_lastEntered{};
    bool m_rendering = false;
};
