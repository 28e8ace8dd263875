#pragma once
// What the program calls in the mask test and the jitter analysis: only what has a caller today; the
// serial-data library adds what its callers need when it lands. It registers its implementation in
// the shell context; until then every operation does nothing and every question answers false.
#include <string>

namespace vt {

class TSerialServices {
public:
    virtual ~TSerialServices() = default;

    // Mask test.
    virtual void RefreshStdMaskFamily() {}
    virtual void ResetMaskCounters() {}

    // Eye diagram and TDR: the clearing of the display ("*ClrDispl").
    virtual void RestartEyeAccumulation() {}
    virtual void ClearReflectionParams() {}
    // Switches the normalized TDR functions off when a switch-off was requested during a settings load
    // (run after every undo or redo).
    virtual void ApplyPendingTdrClear() {}
    // Why undo and redo are refused now (a run whose close puts its temporary set-up back is open);
    // empty when they are allowed.
    virtual std::string UndoRefusal() const { return {}; }

    // TDR/TDT analysis.
    virtual bool IsTdrActive() const { return false; }
    // 0 none, 1 rho, 2 ohm, 3 gain (TDT) for a channel index (2 Ch1, 3 Ch2).
    virtual int TdrChannelState(int /*channelIndex*/) const { return 0; }
    // The distance unit setting's index: 0 time, 1 metres, 2 feet, else inches.
    virtual int TdrDistanceUnit() const { return 0; }
    // Transmission (TDT) instead of reflection (TDR): the signal travels the line once.
    virtual bool TdrTransmission() const { return false; }
    virtual double TdrVelocityFactor() const { return 1.0; }
    virtual void RefreshTdrChannelChoice() {}

    // Mask test: one stored point of a source against the mask; the step of a completed cycle.
    virtual void MaskTestSample(int /*source*/, int /*index*/) {}
    virtual void MaskTestStep() {}
    virtual void UpdateMaskScales() {}
    // Polygons of the current mask: with any, the display keeps one screen.
    virtual int MaskPolygonCount() const { return 0; }
    virtual void RedrawMaskLayer() {}
    // Eye measurements of the latest acquisition.
    virtual void UpdateEyeMeasurements() {}
    // Another analysis mode takes the bottom strip and the hit map: the eye measurement goes off.
    virtual void SwitchOffEyeMeasurement() {}
    // TDR readouts: the excess readout after a cycle, the reflections in the idle housekeeping.
    virtual void ShowTdrExcess() {}
    // The excess L/C readout computed again (a marker moved to another source or type).
    virtual void UpdateTdrExcess() {}
    virtual void RecalcTdrReflections() {}
    // Jitter analyser.
    // Its step takes over the rest of an acquisition cycle while an analyser exists.
    virtual void JitterStep() {}
    virtual bool JitterAnalyserExists() const { return false; }
    virtual void JitterDrawPlot(int /*plot*/, int /*kind*/, int /*value*/) {}

    // Editing the current mask with the mouse: while it is being edited the screen's presses go to
    // it, not to the layers. Points are in screen units (x 0..4000, y 0..1024).
    virtual bool MaskEditing() const { return false; }
    // A left press adds a vertex (a polygon is being added).
    virtual bool AddPolygonMode() const { return false; }
    virtual void MouseDownEdit(int /*x*/, int /*y*/) {}
    // The polygon and vertex under a press (-1 none).
    virtual void MoveVertex(int /*polygon*/, int /*vertex*/, int /*y*/, int /*x*/) {}
    virtual void SelectAtPoint(int /*x*/, int /*y*/) {}
    virtual void ClearSelection(bool /*pressed*/) {}
    virtual bool HasSelection() const { return false; }
    // A polygon is under construction: its last vertex follows the pointer.
    virtual bool IsEditing() const { return false; }
    virtual void CheckEditedPolygon() {}

    // Mask test: the controls' enabling (after a histogram change), and the mask cleared by the
    // set-ups that need the screen to themselves (after they recorded its state for undo).
    virtual void UpdateMaskControls() {}
    virtual void ClearCurrentMask() {}

    // After a language switch: the eye's annotations take the new texts.
    virtual void ShowEyeAnnotations() {}
};

}  // namespace vt
