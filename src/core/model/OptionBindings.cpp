#include "core/model/OptionBindings.h"

void OptionBindings::AddControl(int index, ControlHandler handler)
{
    if (OptionTable::Valid(index))
        m_controlHandlers.at(size_t(index)).push_back(std::move(handler));
}

void OptionBindings::AddSwitch(OptionSwitch item, SwitchHandler handler)
{
    m_switchHandlers.at(size_t(item)).push_back(std::move(handler));
}

void OptionBindings::AddTaskRowHandler(TaskRowHandler handler)
{
    m_taskRowHandlers.push_back(std::move(handler));
}

void OptionBindings::AddStage(OptionStage stage, std::function<void()> step)
{
    m_stages.at(size_t(stage)).push_back(std::move(step));
}

void OptionBindings::SetSwitch(OptionSwitch item, bool on)
{
    m_switches.at(size_t(item)) = on;
    for (const SwitchHandler& handler : m_switchHandlers.at(size_t(item)))
        handler(on);
}

void OptionBindings::ApplyTaskRow(const TaskRowCommand& command)
{
    m_taskCommands.push_back(command);
    for (const TaskRowHandler& handler : m_taskRowHandlers)
        handler(command);
}

void OptionBindings::ShowControls(int index, OptionTable& table) const
{
    const auto& handlers = m_controlHandlers.at(size_t(index));
    if (handlers.empty())
        return;
    table.SetOptionBeingShown(index);
    for (const ControlHandler& handler : handlers)
        handler(m_controls.at(size_t(index)));
    table.SetOptionBeingShown(OptionTable::None);
}

void OptionBindings::RunStage(OptionStage stage) const
{
    for (const auto& step : m_stages.at(size_t(stage)))
        step();
}
