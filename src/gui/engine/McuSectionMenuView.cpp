#include "gui/engine/McuSectionMenuView.h"

#include "core/model/McuSectionMenu.h"

#include <QMenu>
#include <vector>

void FillMcuSectionMenu(QMenu* menu, const McuSectionMenu& model, const std::function<void(int code)>& chosen)
{
    // Submenus are children of the menu, which clear() leaves in place: remove them first.
    for (QMenu* sub : menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        delete sub;
    menu->clear();
    const size_t count = model.entries.size();
    std::vector<bool> holds(count, false);
    for (const auto& entry : model.entries)
        if (entry.parent >= 0 && size_t(entry.parent) < count)
            holds[size_t(entry.parent)] = true;
    std::vector<QMenu*> submenus(count, nullptr);
    for (size_t i = 0; i < count; ++i) {
        const McuSectionMenu::Entry& entry = model.entries[i];
        QMenu* into = entry.parent >= 0 && submenus[size_t(entry.parent)] ? submenus[size_t(entry.parent)] : menu;
        if (holds[i]) {
            submenus[i] = into->addMenu(entry.caption);
            continue;
        }
        QAction* action = into->addAction(entry.caption);
        action->setData(entry.code);
        const int code = entry.code;
        QObject::connect(action, &QAction::triggered, menu, [chosen, code] {
            if (chosen)
                chosen(code);
        });
    }
}
