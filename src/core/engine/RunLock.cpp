#include "core/engine/RunLock.h"

#include "core/model/OptionIndex.h"
#include "core/model/OptionTable.h"

void RunLock::SetLocked(bool locked)
{
    m_locked = locked;
    emit Changed();
}

bool RunLock::Enabled(Item item) const
{
    if (item == Item::Stop)
        return m_locked;
    if (m_locked)
        return false;
    using namespace OptionIndex;
    switch (item) {
    case Item::Read: return !m_options.IsEffective(NoRead);
    case Item::BlankCheck: return m_options.IsEffective(BlankCheck);
    case Item::ProgramOnly: return !m_options.IsEffective(HideOptions);
    case Item::Verify: return m_options.IsEffective(Verify);
    case Item::Erase: return m_options.IsEffective(Erase);
    case Item::Serialize: return m_options.IsEffective(SerialNumbering);
    case Item::Fuses: return m_options.IsEffective(ProgramConfig);
    default: return true;
    }
}
