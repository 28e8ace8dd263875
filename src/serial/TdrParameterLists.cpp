#include "serial/TdrParameterLists.h"

#include "serial/TdrSettings.h"

namespace vt {

int TTdrParamLists::Find(int side, int source, int item) const {
    const auto& list = Lists_.at(Slot(side));
    for (int i = 0; i < Count(side); ++i) {
        const TReflectParam& p = *list[static_cast<std::size_t>(i)];
        if (p.Source == source && p.Item == item) return i;
    }
    return -1;
}

void TTdrParamLists::AddReflectionParam(int side, int source, int item) {
    if (Find(side, source, item) >= 0) return;
    if (Count(side) >= MaxParams) {
        const TReflectParam& oldest = Param(side, 0);
        const int oldSource = oldest.Source, oldItem = oldest.Item;
        if (Uncheck) Uncheck(side, oldSource, oldItem);
        // The list must not outgrow its slots even when no check list answered.
        if (Count(side) >= MaxParams) RemoveReflectionParam(side, oldSource, oldItem);
    }
    auto p = std::make_unique<TReflectParam>();
    p->Side = side;
    p->Source = static_cast<std::uint8_t>(source);
    p->Item = static_cast<std::uint8_t>(item);
    p->SourceIndex = static_cast<std::uint8_t>(TdrSignalOfChannel(source));
    p->Unit = side == TdrSideReflection ? "%" : item == tdtPropDelay ? "s" : item == tdtDbGain ? "dB" : "";
    const std::size_t s = Slot(side);
    Lists_[s][static_cast<std::size_t>(Counts_[s])] = std::move(p);
    Annotated = Counts_[s]++;
}

void TTdrParamLists::RemoveReflectionParam(int side, int source, int item) {
    const int i = Find(side, source, item);
    if (i < 0) return;
    const std::size_t s = Slot(side);
    auto& list = Lists_[s];
    for (int k = i; k + 1 < Counts_[s]; ++k)
        list[static_cast<std::size_t>(k)] = std::move(list[static_cast<std::size_t>(k + 1)]);
    list[static_cast<std::size_t>(--Counts_[s])].reset();
    // The annotation of the removed index goes with it; a later one moves up with its parameter.
    if (Annotated == i)
        Annotated = -1;
    else if (Annotated > i)
        --Annotated;
}

void TTdrParamLists::ClearReflectionParams() {
    for (int side : {TdrSideReflection, TdrSideTransmission})
        for (int i = 0; i < Count(side); ++i) Param(side, i).Stat.Clear();
}

}  // namespace vt
