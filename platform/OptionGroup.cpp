#include "OptionGroup.h"

namespace mirtal::platform {

OptionGroup::OptionGroup(int count, int selected)
    : m_count(count)
    , m_selected(selected)
{
    Q_ASSERT(selected >= 0 && selected < count);
}

void OptionGroup::select(int index)
{
    Q_ASSERT(index >= 0 && index < m_count);
    if (index == m_selected)
        return;
    m_selected = index;
    if (m_observer)
        m_observer(index);
    if (m_onClick)
        m_onClick(index);
}

} // namespace mirtal::platform
