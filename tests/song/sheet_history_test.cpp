#include "song/sheet_history.h"

#include <gtest/gtest.h>

namespace zembra {
namespace {

TEST(SheetHistory, UndoesAndRedoesStepsInOrderAndKeepsThePool) {
  SongSheet sheet;
  sheet.ReplacePool({"kick.vag", "snare.vag"});
  SheetHistory history;
  const auto step = [&](auto change) {
    const SheetContent before = SheetContent::Of(sheet);
    change();
    history.Record(before, SheetContent::Of(sheet));
  };
  const SheetContent fresh = SheetContent::Of(sheet);
  step([&] { sheet.DropTexts(5, {"kick.vag", "snare.vag", "kick.vag"}); });
  step([&] { sheet.RemoveSamples(5, {1}); });
  const SheetContent removed = SheetContent::Of(sheet);
  step([&] { sheet.SetPageName(2, "Intro"); });
  step([] {});  // nothing changed: no step
  EXPECT_EQ(SheetContent::Of(sheet).pages[2].PageName, "Intro");

  sheet.ReplacePool({"other.vag"});
  history.Undo()->ApplyTo(sheet);
  EXPECT_EQ(SheetContent::Of(sheet), removed);
  EXPECT_EQ(sheet.Pool(), std::vector<std::string>{"other.vag"});
  history.Undo()->ApplyTo(sheet);
  EXPECT_EQ(sheet.Track(5).SampleNames,
            (std::vector<std::string>{"kick.vag", "snare.vag", "kick.vag"}));
  history.Redo()->ApplyTo(sheet);
  EXPECT_EQ(SheetContent::Of(sheet), removed);
  history.Undo()->ApplyTo(sheet);
  history.Undo()->ApplyTo(sheet);
  EXPECT_EQ(SheetContent::Of(sheet), fresh);
  EXPECT_FALSE(history.Undo());

  // A new step forgets what was undone.
  step([&] { sheet.SetTitle("New"); });
  EXPECT_FALSE(history.CanRedo());
  EXPECT_FALSE(history.Redo());
  EXPECT_TRUE(history.CanUndo());
  history.Clear();
  EXPECT_FALSE(history.CanUndo());
}

TEST(SheetHistory, ForgetsTheOldestStepsBeyondItsLimit) {
  SongSheet sheet;
  SheetHistory history;
  for (std::size_t i = 0; i <= SheetHistory::kMaxSteps + 1; ++i) {
    const SheetContent before = SheetContent::Of(sheet);
    sheet.SetTitle(std::to_string(i));
    history.Record(before, SheetContent::Of(sheet));
  }
  std::size_t undone = 0;
  for (auto content = history.Undo(); content; content = history.Undo()) {
    content->ApplyTo(sheet);
    ++undone;
  }
  EXPECT_EQ(undone, SheetHistory::kMaxSteps);
  EXPECT_EQ(sheet.Title(), "1");
}

}  // namespace
}  // namespace zembra
