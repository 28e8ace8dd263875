#pragma once
// The jitter plot windows: one tool window per plot type, kept in a table of seven owned by the main
// window. A window shows the surface the analyser draws on, its choice buttons and its sample count,
// and tells the main window of what happens to it only by queued calls, never from its own event.
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

#include "display/DrawingSurfaces.h"
#include "serial/JitterPlots.h"

class QLabel;

namespace vt {

class TShell;
class TMorda_fr;

// The widget that shows a drawing surface and reports clicks on it.
class TJitterSurfaceView : public QWidget, public TScreenSink {
public:
    explicit TJitterSurfaceView(QWidget* parent);
    ~TJitterSurfaceView() override;
    TScanLinesTextScreen& Surface() { return Surface_; }
    std::function<void(int x)> Clicked;

    void CopyToWindow(const TScanLinesScreen& screen, const TPixelRect& rect) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TScanLinesTextScreen Surface_;
};

class TJitterGraphFrm : public QWidget, public TJitterPlotWindow {
public:
    static constexpr int ResizeDelayMs = 150;

    TJitterGraphFrm(TMorda_fr& main, TShell& shell, int type);

    int Type() const { return Type_; }
    bool IsBitPlot() const { return IsBitPlot_; }
    QTimer Timer1;
    QWidget* pnlComboPanel = nullptr;
    std::array<QPushButton*, 3> pnlComboBtn{};
    std::array<QLabel*, 3> lblCombo{};
    QLabel* lblNSamples = nullptr;
    QPushButton* Button1 = nullptr;
    TJitterSurfaceView* View() const { return View_; }
    // A press of choice button n, as the window handles it.
    void PressChoice(int n);

    // --- TJitterPlotWindow
    TScanLinesScreen* Surface() override { return &View_->Surface(); }
    bool ResizePending() const override { return Timer1.isActive(); }
    void SetInfoText(const std::string& text) override;
    int Front() const override { return Front_; }
    int Previous() const override { return Previous_; }
    int Third() const override { return Third_; }
    int TakePressedButton() override;
    void SetChoiceButtons(const std::array<std::string, 3>& captions, const std::array<TColor, 3>& colours,
                          const std::array<bool, 3>& enabled) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Rebuild();
    void LayOutChoices();
    void Post(int code, int value);

    TMorda_fr& Main_;
    int Type_;
    bool IsBitPlot_;
    TJitterSurfaceView* View_ = nullptr;
    int Front_ = 2, Previous_ = 1, Third_ = 0;
    int Pressed_ = -1;
};

// The table of the seven windows, parented to the main window.
class TJitterPlotTable : public TJitterPlotWindows {
public:
    TJitterPlotTable(TMorda_fr& main, TShell& shell) : Main_(main), Shell_(shell) {}
    ~TJitterPlotTable() override;

    TJitterPlotWindow* Window(int type) override { return Frame(type); }
    TJitterGraphFrm* Frame(int type) const;
    bool CanOpen() const override { return true; }
    void Open(int type) override;
    void Free(int type) override;

private:
    TMorda_fr& Main_;
    TShell& Shell_;
    std::array<TJitterGraphFrm*, JitterPlotCount> Frames_{};
};

// Opens the window of a plot type when it does not exist, captioned "Veltrane - " and its key's text.
void OpenJitterPlotWindow(TJitterPlotTable& table, int type);

}  // namespace vt
