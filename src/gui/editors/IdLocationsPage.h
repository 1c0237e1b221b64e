#pragma once

#include "core/model/ImageDisplayState.h"

#include <QWidget>
#include <array>

class AppContext;
class QLineEdit;
class QRadioButton;
class QToolButton;

// The "ID Locations" page: the ID option boxes and the three display forms of the ID words, each
// with its radio button and field. Only the field of the selected form takes input (and only while
// ID programming is in effect); what the operator types there is parsed into the ID words at once.
class IdLocationsPage : public QWidget
{
    Q_OBJECT
public:
    explicit IdLocationsPage(AppContext& context, QWidget* parent = nullptr);

    QLineEdit* Field(ImageDisplayState::IdForm form) const { return m_fields.at(size_t(form)); }
    QRadioButton* FormButton(ImageDisplayState::IdForm form) const { return m_radios.at(size_t(form)); }
    QToolButton* HexOptionsButton() const { return m_hexOptions; }

private:
    void Render();
    void Edited(ImageDisplayState::IdForm form, const QString& text);

    AppContext& m_context;
    std::array<QLineEdit*, 3> m_fields{};
    std::array<QRadioButton*, 3> m_radios{};
    QToolButton* m_hexOptions;
    bool m_rendering = false;
};
