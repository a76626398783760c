#pragma once

#include <QtGlobal>

#include <functional>

namespace mirtal::platform {

// A group of option buttons: exactly one is selected. Selecting an option runs the group's click handler at once,
// nested, with its index, but only when the selection changes.
class OptionGroup final {
public:
    using ClickHandler = std::function<void(int index)>;

    OptionGroup(int count, int selected);
    Q_DISABLE_COPY_MOVE(OptionGroup)

    void setClickHandler(ClickHandler handler) { m_onClick = std::move(handler); }
    // Called whenever the selection changes, before the click handler, so that widgets follow.
    void setSelectionObserver(std::function<void(int index)> observer) { m_observer = std::move(observer); }

    int count() const { return m_count; }
    int selected() const { return m_selected; }
    bool isSelected(int index) const { return m_selected == index; }

    void select(int index);

private:
    int m_count;
    int m_selected;
    ClickHandler m_onClick;
    std::function<void(int)> m_observer;
};

} // namespace mirtal::platform
