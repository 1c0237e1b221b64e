#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

struct DeviceProfile;

// One field selector of the configuration-word page: a label and a drop-down list of options.
struct FieldSelectorSlot {
    QString label;
    bool visible = false;
    QStringList options; // the option labels, in the field's order
    int selected = -1;   // index into options; -1 when the field's selection is not in the list
    QString text;        // the selected option's label, or empty
};

// What the configuration-word page shows for the selected word: sixteen field slots (numbered
// 1 to 16, slot k showing field k-1) and the word selector's range. The editors window renders it
// and redraws on Changed().
class FieldSelectorSlots : public QObject
{
    Q_OBJECT
public:
    static constexpr int Count = 16;

    using QObject::QObject;

    // number: 1 .. Count.
    const FieldSelectorSlot& Slot(int number) const { return m_slots.at(number - 1); }

    // The selector runs from 0 to WordSelectorMaximum(); with a single word it is disabled and
    // its maximum is 1, as a slider cannot have an empty range.
    int WordSelectorMaximum() const { return m_wordMaximum; }
    bool WordSelectorEnabled() const { return m_wordEnabled; }
    void SetWordCount(int wordCount);

    // Hides and empties every slot, then fills one slot per field of the profile's selected word.
    void Fill(const DeviceProfile& profile);

signals:
    void Changed();

private:
    std::array<FieldSelectorSlot, Count> m_slots{};
    int m_wordMaximum = 1;
    bool m_wordEnabled = false;
};
