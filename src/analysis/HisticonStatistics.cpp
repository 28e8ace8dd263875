#include "analysis/HisticonStatistics.h"

#include <algorithm>
#include <cmath>

#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/Histicon.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenColors.h"

namespace vt {

namespace {
constexpr int NotABin = 999;
}

TStatH::TStatH(TShell& shell, THisticonOwner& owner) : Shell_(shell), Owner_(owner) { Clear(); }

TStatH::~TStatH() = default;

void TStatH::Clear() {
    if (Count > 0) PrevMean = Mean;
    TModedStat::Clear();
    HistReady = false;
    Peak = EmptyPeak;
    Bins_.fill(0);
    Targets_.fill(0);
}

void TStatH::SetStatMode(int mode, int count) {
    if (mode < 0 || mode > 2) mode = 0;
    count = mode == 0 ? 128 : std::clamp(count, MinN, MaxN);
    if (mode == Mode && count == N) return;
    if (IconShown()) ShowWait();
    SetMode(mode, count);
}

void TStatH::Add(std::int64_t n, double x) {
    for (std::int64_t i = 0; i < n; ++i) AddValue(x);
}

void TStatH::AddValue(double x) {
    if (std::isnan(x)) return;
    LastBinned = -1;
    LastUnbinned = -1;
    // The value the full ring drops leaves the histogram as the ring held it.
    if (Mode == 1 && Count >= N && HistReady) UnbinValue(Ring()[Position]);
    TModedStat::Add(1, x);

    if (IconShown()) {
        if (Count >= N && (Icon_->TextShown() || !Icon_->Drawn())) {
            DrawHisticon();
        } else if (Count < N && !Icon_->Drawn()) {
            ShowWait();
        }
    }

    // The window bins the value as its ring keeps it, in single precision, so that the value unbinned
    // when it leaves lands in the same bin.
    const double held = Mode == 1 ? static_cast<double>(static_cast<float>(x)) : x;
    if (HistReady) {
        BinValue(held);
        return;
    }
    if (Count != N) return;
    HistReady = true;
    Centre = Mean;
    Sigma = StdDev;
    // A constant signal gets a width of its own size: |centre|, as a negative centre is as far from 0.
    const double floor = std::fabs(Centre) * 1e-8;
    if (floor > Sigma) Sigma = floor;
    if (Sigma < 1e-30) Sigma = 1e-30;
    if (Mode == 1) {
        for (int i = 0; i < N; ++i) BinValue(Ring()[static_cast<std::size_t>(i)]);
    } else {
        BinValue(held);
    }
}

int TStatH::BinIndex(double x) const {
    const double k = (x - Centre) / Sigma * 5;
    if (std::isnan(k)) return NotABin;
    return static_cast<int>(std::lround(std::clamp(k, -200.0, 200.0)));
}

void TStatH::BinValue(double x) {
    const int k = BinIndex(x);
    if (std::abs(k) > HalfBins) return;
    LastBinned = static_cast<std::int8_t>(k);
    float& bin = BinRef(k);
    bin += 1;
    if (bin > Peak) {
        PeakBin = static_cast<std::int8_t>(k);
        Peak = bin + EmptyPeak;
        // Weighted statistics forget old values: so does the histogram, scaled back to N counts.
        if (Mode == 2 && Peak > static_cast<float>(N) + 0.3f) {
            const float factor = static_cast<float>(N) / bin;
            for (float& b : Bins_) b *= factor;
            Peak = Bin(PeakBin) + EmptyPeak;
        }
        RecomputeHeights();
    } else {
        UpdateColumn(k);
    }
}

void TStatH::UnbinValue(double x) {
    const int k = BinIndex(x);
    if (std::abs(k) > HalfBins) return;
    LastUnbinned = static_cast<std::int8_t>(k);
    float& bin = BinRef(k);
    if (bin > 0.9f) bin -= 1;
    if (k != PeakBin) {
        UpdateColumn(k);
        return;
    }
    PeakBin = 0;
    Peak = Bin(0) + EmptyPeak;
    for (int i = -HalfBins; i <= HalfBins; ++i) {
        if (Bin(i) > Peak) {
            PeakBin = static_cast<std::int8_t>(i);
            Peak = Bin(i) + EmptyPeak;
        }
    }
    RecomputeHeights();
}

void TStatH::UpdateColumn(int k) {
    if (std::abs(k) > HalfColumns) return;
    auto& t = Targets_[static_cast<std::size_t>(k + HalfColumns)];
    t = static_cast<std::uint8_t>(std::lround(Bin(k) / Peak * MaxHeight));
    if (IconShown()) Icon_->DrawColumn(k, t);
}

void TStatH::RecomputeHeights() {
    for (int k = -HalfColumns; k <= HalfColumns; ++k) {
        Targets_[static_cast<std::size_t>(k + HalfColumns)] =
            static_cast<std::uint8_t>(std::lround(Bin(k) / Peak * MaxHeight));
    }
    if (!IconShown()) return;
    for (int k = -HalfColumns; k <= HalfColumns; ++k) Icon_->DrawColumn(k, TargetHeight(k));
}

void TStatH::PlaceHisticon(int row) {
    if (row < 0 || row > 3) return;
    if (row == Row && Icon_) return;
    Row = static_cast<std::uint8_t>(row);
    if (!Icon_) {
        auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
        TScopeCRT* panel = display ? display->Panel() : nullptr;
        if (!panel) return;
        Icon_ = std::make_unique<THisticon>(panel->BottomStrip());
        Icon_->SetColor(Owner_.SourceRGB(row));
        Icon_->SetLabel(Owner_.GetMeasLabel(row));
    }
    Icon_->SetRect(NizCellRect(row, 45));
    Icon_->SetDrawn(false);
}

void TStatH::SetHisticonShown(bool shown) {
    if (Icon_) Icon_->SetShown(shown);
}

void TStatH::ShowHisticon() {
    if (!Icon_) return;
    if (HistReady) {
        DrawHisticon();
    } else {
        ShowWait();
    }
}

void TStatH::DrawHisticon() {
    if (!Icon_) return;
    TakeBracketColor();
    Icon_->DrawText("");
    for (int k = -HalfColumns; k <= HalfColumns; ++k) Icon_->DrawColumn(k, TargetHeight(k));
}

void TStatH::ShowWait() {
    if (!Icon_) return;
    TakeBracketColor();
    Icon_->DrawText(Shell_.LangStr("Wait__"));
}

void TStatH::TakeBracketColor() {
    if (auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display())) {
        Icon_->BracketColor = TColor(display->Colors().ColorValue(ceGraticule) & 0xFFFFFFu);
    }
}

bool TStatH::IconShown() const { return Icon_ && Icon_->Shown(); }

}  // namespace vt
