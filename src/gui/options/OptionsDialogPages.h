#pragma once

#include <QList>
#include <array>
#include <map>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;
class QWidget;

// The widgets of the options dialog's five pages, as the page builder makes them. Tagged option
// boxes are found by their entry index; entry 37 has one box on the "Auto Options" page and one on
// the "Serial Numbers" page.
struct OptionsDialogControls {
    std::multimap<int, QAbstractButton*> options; // entry index -> its boxes and radio buttons
    std::array<QWidget*, 5> pages{};

    QLineEdit* password = nullptr;
    QToolButton* editEeData = nullptr;
    QToolButton* editConfigWord = nullptr;
    QToolButton* editIdValues = nullptr;
    QToolButton* selectMcu = nullptr;

    QToolButton* selectSqtpFile = nullptr;
    QLabel* sqtpCaption = nullptr;
    QLabel* sqtpFile = nullptr;
    QLabel* logCaption = nullptr;
    QLabel* logFile = nullptr;
    QLabel* lengthCaption = nullptr;
    QLineEdit* length = nullptr;
    QLabel* addressCaption = nullptr;
    QLineEdit* address = nullptr;
    QToolButton* serialEditor = nullptr;

    QSlider* pulseWidth = nullptr;
    QGroupBox* targetVdd = nullptr;
    QButtonGroup* targetVddItems = nullptr;

    QList<QAbstractButton*> Boxes(int index) const;
};

// Fills tabs with the five pages ("Auto Options", "General Options", "Hex Options", "Serial
// Numbers", "Advanced") and records their widgets in controls.
void BuildOptionsPages(QTabWidget* tabs, OptionsDialogControls& controls);
