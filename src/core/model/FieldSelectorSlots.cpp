#include "core/model/FieldSelectorSlots.h"

#include "core/model/DeviceProfile.h"

void FieldSelectorSlots::SetWordCount(int wordCount)
{
    m_wordEnabled = wordCount > 1;
    m_wordMaximum = m_wordEnabled ? wordCount - 1 : 1;
    emit Changed();
}

void FieldSelectorSlots::Fill(const DeviceProfile& profile)
{
    for (int i = Count - 1; i >= 0; --i)
        m_slots[i] = FieldSelectorSlot{};

    const int wordIndex = profile.selectedWord;
    if (wordIndex >= 0 && wordIndex < DeviceProfile::MaxConfigWords) {
        const ConfigWord& word = profile.words[wordIndex];
        for (int f = 0; f < word.FieldCount() && f < Count; ++f) {
            const ConfigField& field = word.fields[f];
            FieldSelectorSlot& slot = m_slots[f];
            slot.label = field.displayName;
            for (const ConfigOption& option : field.options)
                slot.options << option.label;
            if (field.selected >= 0 && field.selected < slot.options.size()) {
                slot.selected = field.selected;
                slot.text = slot.options.at(field.selected);
            }
            slot.visible = true;
        }
    }
    emit Changed();
}
