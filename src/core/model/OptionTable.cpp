#include "core/model/OptionTable.h"

#include "core/model/OptionDefinitions.h"
#include "core/model/OptionIndex.h"

void OptionTable::SetAllPresentAndOn()
{
    for (Entry& entry : m_entries)
        entry = Entry{true, 1};
}

void OptionTable::SetFactoryValues()
{
    for (int i = 0; i < Count; ++i)
        m_entries[i].value = FactoryValue(i);
}

void OptionTable::SetBit4(qint64 code)
{
    SetValue(OptionIndex::IdAscii7, code == 0);
    SetValue(OptionIndex::IdHex4, code == 1);
    SetValue(OptionIndex::IdHex7, code == 2);
}

int OptionTable::Bit4Code() const
{
    if (IsSet(OptionIndex::IdHex4))
        return 1;
    if (IsSet(OptionIndex::IdAscii7))
        return 0;
    if (IsSet(OptionIndex::IdHex7))
        return 2;
    return 1;
}

void OptionTable::SetSerialInCode(bool inCode)
{
    SetValue(OptionIndex::SerialInCode, inCode);
    SetValue(OptionIndex::SerialInEe, !inCode);
}
