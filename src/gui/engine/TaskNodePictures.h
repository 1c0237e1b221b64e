#pragma once

#include <QPixmap>
#include <vector>

// The 18 pictures of task-tree nodes, 16 x 16 pixels, drawn in code. Index = node state (0 ready,
// 2 failed, 4 switched off, 6 not available, 8 passed) + offset: group nodes use offset 0
// (collapsed) and 1 (expanded), so 0..9; task nodes 8 and, while selected, 9, so 8..17. Indices
// 8 and 9 serve both: a passed group and a ready task share their picture.
class TaskNodePictures
{
public:
    static constexpr int Count = 18;
    static constexpr int Size = 16;

    TaskNodePictures();
    const QPixmap& Picture(int index) const;

private:
    std::vector<QPixmap> m_pictures;
};
