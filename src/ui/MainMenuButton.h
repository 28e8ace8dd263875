#pragma once
// A main-menu button: shows on which side (left, right, both) its menu is open.
#include <QWidget>
#include <functional>

#include "core/Color.h"

namespace vt {

enum class TButtonOfMainMenuState { bmmsOff, bmmsLeft, bmmsRight, bmmsBoth };

inline constexpr TColor LeftMenuColor{0xB3FFFF};
inline constexpr TColor RightMenuColor{0xBBFBCA};
// Pixels between a main-menu button's frame and its caption on either side.
inline constexpr int CaptionMargin = 2;
// The least size of a main-menu caption: letters about 7 pixels high, still read at a glance. A
// caption narrows its letters first, and gets smaller only down to this size.
inline constexpr double MainMenuLeastPoints = 7.5;

class TButtonOfMainMenu : public QWidget {
public:
    explicit TButtonOfMainMenu(QWidget* parent = nullptr);

    TButtonOfMainMenuState State() const { return State_; }
    void SetState(TButtonOfMainMenuState state);
    bool LeftMenuOn() const;
    bool RightMenuOn() const;
    void SetLeftMenuOn(bool on);
    void SetRightMenuOn(bool on);
    QString Caption() const { return Caption_; }
    void SetCaption(const QString& caption);
    // The index in the main-menu table (the menu kind).
    int Tag = -1;

    // The fill of the current state.
    TColor FillColor() const;
    // The caption's room inside the margins, the font it is drawn in there (the size of the smallest
    // caption of its row) and the text shown: the whole caption where it fits at the least size, else
    // its start and an ellipsis.
    QRect CaptionRoom() const;
    QFont CaptionFont() const;
    QString ShownCaption() const;

    std::function<void(TButtonOfMainMenu&, Qt::MouseButton)> OnMouseDown;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The size the caption alone would take in its room, kept until the caption, room or font change.
    double OwnCaptionPoints() const;

    TButtonOfMainMenuState State_ = TButtonOfMainMenuState::bmmsOff;
    QString Caption_;
    mutable QString OwnPointsCaption_;
    mutable int OwnPointsRoom_ = -1;
    mutable QFont OwnPointsFont_;
    mutable double OwnPoints_ = 0;
};

}  // namespace vt
