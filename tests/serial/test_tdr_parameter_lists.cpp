// The chosen TDR/TDT parameters: at most four per side, the oldest unchecked for a fifth.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "serial/TdrParameterLists.h"
#include "serial/TdrSettings.h"

namespace vt {
namespace {

TEST(TdrParameterLists, AFifthParameterUnchecksTheOldestAndRemovalMovesTheRestUp) {
    TTdrParamLists lists;
    std::vector<std::tuple<int, int, int>> unchecked;
    // As the check lists do: unchecking an item removes its parameter.
    lists.Uncheck = [&](int side, int source, int item) {
        unchecked.emplace_back(side, source, item);
        lists.RemoveReflectionParam(side, source, item);
    };
    for (int source : {0, 1})
        for (int item : {tdrMinReflect, tdrMaxReflect}) lists.AddReflectionParam(TdrSideReflection, source, item);
    // The same item of the same source twice keeps one.
    lists.AddReflectionParam(TdrSideReflection, 1, tdrMaxReflect);
    ASSERT_EQ(lists.Count(TdrSideReflection), 4);
    EXPECT_EQ(lists.Annotated, 3);
    lists.Param(TdrSideReflection, 0).Stat.Add(1, 5.0);

    // NormCh1 MinReflect evicts Ch1 MinReflect through its check list.
    lists.AddReflectionParam(TdrSideReflection, 2, tdrMinReflect);
    ASSERT_EQ(unchecked.size(), 1u);
    EXPECT_EQ(unchecked[0], std::make_tuple(TdrSideReflection, 0, int(tdrMinReflect)));
    ASSERT_EQ(lists.Count(TdrSideReflection), 4);
    EXPECT_EQ(lists.Param(TdrSideReflection, 0).Source, 0);
    EXPECT_EQ(lists.Param(TdrSideReflection, 0).Item, tdrMaxReflect);
    EXPECT_EQ(lists.Param(TdrSideReflection, 0).Stat.Count, 0);
    const TReflectParam& added = lists.Param(TdrSideReflection, 3);
    EXPECT_EQ(added.SourceIndex, 4);
    EXPECT_EQ(added.Unit, "%");
    EXPECT_EQ(lists.Annotated, 3);

    // The transmission side is a list of its own, with its units.
    lists.AddReflectionParam(TdrSideTransmission, 3, tdtPropDelay);
    lists.AddReflectionParam(TdrSideTransmission, 3, tdtDbGain);
    EXPECT_EQ(lists.Count(TdrSideTransmission), 2);
    EXPECT_EQ(lists.Param(TdrSideTransmission, 0).Unit, "s");
    EXPECT_EQ(lists.Param(TdrSideTransmission, 0).SourceIndex, 5);
    EXPECT_EQ(lists.Param(TdrSideTransmission, 1).Unit, "dB");
    EXPECT_EQ(lists.Count(TdrSideReflection), 4);

    // Removing the annotated one drops its annotation; removing one before it moves it up with its parameter.
    lists.AddReflectionParam(TdrSideTransmission, 0, tdtGain);
    EXPECT_EQ(lists.Param(TdrSideTransmission, 2).Unit, "");
    lists.RemoveReflectionParam(TdrSideTransmission, 3, tdtPropDelay);
    EXPECT_EQ(lists.Annotated, 1);
    EXPECT_EQ(lists.Param(TdrSideTransmission, 0).Item, tdtDbGain);
    lists.RemoveReflectionParam(TdrSideTransmission, 0, tdtGain);
    EXPECT_EQ(lists.Annotated, -1);
    EXPECT_EQ(lists.Count(TdrSideTransmission), 1);

    // Clearing keeps the parameters and empties their statistics.
    lists.Param(TdrSideReflection, 1).Stat.Add(1, 1.0);
    lists.ClearReflectionParams();
    EXPECT_EQ(lists.Count(TdrSideReflection), 4);
    EXPECT_EQ(lists.Param(TdrSideReflection, 1).Stat.Count, 0);

    // Without a check list answering, the list still never grows past four.
    lists.Uncheck = nullptr;
    lists.AddReflectionParam(TdrSideReflection, 3, tdrMaxReflect);
    EXPECT_EQ(lists.Count(TdrSideReflection), 4);
    EXPECT_EQ(lists.Find(TdrSideReflection, 0, tdrMaxReflect), -1);
    EXPECT_EQ(lists.Find(TdrSideReflection, 3, tdrMaxReflect), 3);
}

TEST(TdrParameterLists, TheSourcesCheckListsKeepTheListsInStep) {
    TShell shell;
    shell.SetCommandTree(CreateCommandTree());
    shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
    TTdrSettings settings(shell);
    settings.CreateTDRHandlers();
    const auto run = [&](std::string_view text) { return shell.CommandTree()->ExecuteCommandString(text, false); };
    run("TDR:Ch1:TdrParams MinReflect,MaxReflect");
    run("TDR:Ch2:TdrParams MinReflect,MaxReflect");
    ASSERT_EQ(settings.Params.Count(TdrSideReflection), 4);
    // A fifth unchecks the oldest, Ch1's MinReflect, in its own list.
    run("TDR:NormCh1:TdrParams INCLUDE MinReflect");
    EXPECT_NE(run("TDR:Ch1:TdrParams?").find("MAXREFLECT"), std::string::npos);
    EXPECT_EQ(run("TDR:Ch1:TdrParams?").find("MINREFLECT"), std::string::npos);
    EXPECT_EQ(settings.Params.Count(TdrSideReflection), 4);
    EXPECT_EQ(settings.Params.Find(TdrSideReflection, 0, tdrMinReflect), -1);
    EXPECT_EQ(settings.Params.Find(TdrSideReflection, 2, tdrMinReflect), 3);
    // Unchecking removes; the transmission list is fed by its own check lists.
    run("TDR:Ch2:TdrParams MaxReflect");
    EXPECT_EQ(settings.Params.Count(TdrSideReflection), 3);
    run("TDR:NormCh2:TdtParams PropDelay,DbGain");
    EXPECT_EQ(settings.Params.Count(TdrSideTransmission), 2);
    EXPECT_EQ(settings.Params.Param(TdrSideTransmission, 1).Unit, "dB");
}

}  // namespace
}  // namespace vt
