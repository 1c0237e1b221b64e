#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

// One node of the task tree: a cycle (group row, whose steps are task codes) or a task (whose
// steps are operation slots).
struct TaskRow {
    static constexpr int MaxSteps = 32;
    static constexpr int NoTask = 63;

    // Node states; the picture index adds the image offset.
    enum NodeState { Ready = 0, Failed = 2, SwitchedOff = 4, NotAvailable = 6, Passed = 8 };

    quint8 enabled = 0;
    quint8 group = 0;
    quint8 run = 0;
    qint32 level = 0;
    qint32 valueB = 0;
    qint32 stepCount = 0;
    qint32 taskCode = NoTask;
    qint32 nodeState = Ready;
    qint32 imageOffset = 8;
    qint32 selectedImageOffset = 9;
    std::array<quint8, MaxSteps> steps{};
    QString name;
    QString description;
    // The MCU Section menu entry of this row, -1 when it has none (index into the menu model).
    int menuEntry = -1;
    // Used by the row state operations.
    quint8 available = 0;
    quint8 onByDefault = 0;
};
