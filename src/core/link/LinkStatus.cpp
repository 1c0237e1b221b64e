#include "core/link/LinkStatus.h"

#include <array>

QString LinkStatus::TextOf(int index)
{
    static const std::array<const char*, 13> texts = {
        "Synchronizing Praxon's Firmware ... Please Wait ... ",
        "Loading Configuration Data ... Please Wait ... ",
        "Firmware Update Complete ... ",
        "Configuration Complete ... ",
        "Firmware Update Error! ... ",
        "Configuration Error! ... ",
        "Checking Programmer Status... ",
        "Error in Port Communication! ... ",
        "Error Configuring Port! ... ",
        "Programmer Communication OK ... ",
        "Testing Higher Transfer Speed ...",
        "Higher Transfer Speed Failed! ... ",
        "Keeping Normal Transfer Speed ... ",
    };
    if (index < 0 || index >= int(texts.size()))
        return {};
    return QString::fromLatin1(texts[size_t(index)]);
}

void LinkStatus::Show(bool show, int index, bool suppressWindow)
{
    m_index = index;
    m_visible = show && !suppressWindow;
    m_animating = show;
    emit Changed();
}

int LinkStatus::AdaptInterval(int intervalMs, int elapsedMs)
{
    if (elapsedMs <= intervalMs + 10)
        return intervalMs < 400 ? 200 : intervalMs - 200;
    if (elapsedMs >= 500)
        return 1500;
    if (elapsedMs > intervalMs + 100)
        return intervalMs + 400;
    return intervalMs + 200;
}
