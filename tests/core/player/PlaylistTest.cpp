#include "core/player/Playlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/PlayerTestPorts.h"

namespace {

using pvx::PlaylistFile;
using pvx::testing::readBytes;
using pvx::testing::writeBytes;
using Strings = std::vector<std::string>;

class PlaylistTest : public ::testing::Test {
 protected:
  PlaylistTest() { std::filesystem::create_directory(folder.path / "Saves"); }

  // Adds an entry through the open-file dialog, as "Add File" does.
  bool add(const std::string& title) {
    port.answers.push_back({"/m/" + title, title});
    return playlist.addFile();
  }
  // A second playlist reading the same file, as at the next start.
  Strings loadedTitles() {
    pvx::Playlist other(port, file);
    other.loadPlaylist();
    return other.titles();
  }

  pvx::testing::TestFolder folder;
  std::filesystem::path file = PlaylistFile::in(folder.path);
  pvx::testing::FakePlayerPort port;
  pvx::Playlist playlist{port, file};
};

using PlaylistEditing = PlaylistTest;

TEST_F(PlaylistEditing, WithoutAFileThePlaylistStartsEmptyAndACancelAddsNothing) {
  playlist.loadPlaylist();
  EXPECT_FALSE(playlist.addFile());
  EXPECT_EQ(port.lastFilter,
            "MP3  (*.mp3)|*.mp3|Windows Media Audio (*.wma)|*.wma|Wave (*.wav)|*.wav");
  EXPECT_TRUE(add("A.mp3"));
  EXPECT_EQ(playlist.paths(), Strings{"/m/A.mp3"});
  EXPECT_EQ(playlist.count(), 1);
  EXPECT_TRUE(port.failures.empty());
}

TEST_F(PlaylistEditing, ClearLeavesOneEmptySlotThatTheNextAddFills) {
  add("A.mp3");
  add("B.mp3");
  playlist.clear();
  EXPECT_EQ(playlist.count(), 0);
  EXPECT_EQ(playlist.paths(), Strings{""});
  add("X.mp3");
  add("Y.mp3");
  EXPECT_EQ(playlist.paths(), (Strings{"/m/X.mp3", "/m/Y.mp3"}));
  EXPECT_EQ(playlist.count(), 2);
}

TEST_F(PlaylistEditing, RemoveTakesTheSelectedEntryAndSelectsTheOneTakingItsPlace) {
  for (const char* title : {"A.mp3", "B.mp3", "C.mp3"})
    add(title);
  playlist.remove();  // nothing selected
  EXPECT_EQ(playlist.count(), 3);
  playlist.select(1);
  playlist.remove();
  EXPECT_EQ(playlist.titles(), (Strings{"A.mp3", "C.mp3"}));
  EXPECT_EQ(playlist.paths(), (Strings{"/m/A.mp3", "/m/C.mp3"}));
  EXPECT_EQ(playlist.selection(), 1);
  playlist.remove();  // the last one: nothing is left selected
  EXPECT_EQ(playlist.paths(), Strings{"/m/A.mp3"});
  EXPECT_EQ(playlist.selection(), -1);
  playlist.select(0);
  playlist.remove();  // the only one: the empty slot of Clear
  EXPECT_EQ(playlist.paths(), Strings{""});
  EXPECT_EQ(playlist.count(), 0);
}

TEST_F(PlaylistEditing, AFolderAddsItsVisibleAudioFilesWithExactExtensionsInNameOrder) {
  const auto music = folder.path / "music";
  std::filesystem::create_directories(music / "e.mp3");
  for (const char* name : {"c.wma", "B.WAV", "a.mp3", "d.ogg", ".hidden.mp3", "Z b^1.mp3"})
    writeBytes(music / name, "x");
  playlist.addFolder(music.string());
  EXPECT_EQ(playlist.titles(), (Strings{"a.mp3", "c.wma", "Z b^1.mp3"}));
  EXPECT_EQ(playlist.path(0), (music / "a.mp3").string());
  playlist.addFolder((folder.path / "vanished").string());
  EXPECT_EQ(playlist.count(), 3);
  EXPECT_TRUE(port.failures.empty());
}

using PlaylistFileRoundTrip = PlaylistTest;

TEST_F(PlaylistFileRoundTrip, ThreeEntriesAreSevenLinesAndLoadBackUnselected) {
  for (const char* title : {"A.mp3", "B.wav", "C.wma"})
    add(title);
  playlist.select(1);
  playlist.save();
  EXPECT_EQ(readBytes(file),
            " 2 \r\n/m/A.mp3\r\nA.mp3\r\n/m/B.wav\r\nB.wav\r\n/m/C.wma\r\nC.wma\r\n");
  playlist.loadPlaylist();
  EXPECT_EQ(playlist.titles(), (Strings{"A.mp3", "B.wav", "C.wma"}));
  EXPECT_EQ(playlist.count(), 3);
  EXPECT_EQ(playlist.selection(), -1);
  add("D.mp3");
  EXPECT_EQ(playlist.paths(), (Strings{"/m/A.mp3", "/m/B.wav", "/m/C.wma", "/m/D.mp3"}));
  EXPECT_TRUE(port.failures.empty());
}

TEST_F(PlaylistFileRoundTrip, SaveRightAfterClearWritesOneEmptyEntry) {
  add("A.mp3");
  playlist.clear();
  playlist.save();
  EXPECT_EQ(readBytes(file), " 0 \r\n\r\n\r\n");
  playlist.loadPlaylist();
  EXPECT_EQ(playlist.titles(), Strings{""});
  EXPECT_EQ(playlist.paths(), Strings{""});
}

TEST_F(PlaylistFileRoundTrip, BlanksCaretsLongLinesAndWindows1252ComeBackAsWritten) {
  add(" My ^1Song  ^^.mp3 ");
  add(std::string(5000, 'x') + " Café.mp3");
  playlist.save();
  EXPECT_EQ(loadedTitles(), (Strings{" My ^1Song  ^^.mp3 ", std::string(5000, 'x') + " Café.mp3"}));
  // A file written by the Windows program, in its code page.
  writeBytes(file, "0\nC:\\Musik\\Caf\xE9.mp3\r\nCaf\xE9 \x80.mp3\r\n");
  EXPECT_EQ(loadedTitles(), Strings{"Café €.mp3"});
}

TEST_F(PlaylistFileRoundTrip, CarriageReturnsAloneEndLinesToo) {
  writeBytes(file, " 1 \r/m/A.mp3\rA.mp3\r/m/B.mp3\nB.mp3\r\n");
  playlist.loadPlaylist();
  EXPECT_EQ(playlist.titles(), (Strings{"A.mp3", "B.mp3"}));
  EXPECT_EQ(playlist.paths(), (Strings{"/m/A.mp3", "/m/B.mp3"}));
  EXPECT_TRUE(port.failures.empty());
}

using PlaylistFileFailures = PlaylistTest;

TEST_F(PlaylistFileFailures, AFileEndingEarlyKeepsWhatWasReadAndTheAnnouncedSlots) {
  writeBytes(file, " 4 \r\n/m/A.mp3\r\nA.mp3\r\n/m/B.mp3\r\nB.mp3\r\n/m/C.mp3\r\nC.mp3\r\n");
  playlist.loadPlaylist();
  EXPECT_EQ(playlist.titles(), (Strings{"A.mp3", "B.mp3", "C.mp3"}));
  EXPECT_EQ(playlist.paths(), (Strings{"/m/A.mp3", "/m/B.mp3", "/m/C.mp3", "", ""}));
  EXPECT_EQ(port.failures.size(), 1u);
}

TEST_F(PlaylistFileFailures, AnAddAfterAFileEndingEarlyFillsTheFirstSlotWithTitleAndPathTogether) {
  // The file ends after the path of its third entry: that path keeps its slot, without a title.
  const std::string early = " 3 \r\n/m/A.mp3\r\nA.mp3\r\n/m/B.mp3\r\nB.mp3\r\n/m/C.mp3\r\n";
  writeBytes(file, early);
  playlist.loadPlaylist();
  EXPECT_EQ(playlist.paths(), (Strings{"/m/A.mp3", "/m/B.mp3", "/m/C.mp3", ""}));
  EXPECT_EQ(playlist.reservedSlots(), 2);
  playlist.save();
  EXPECT_EQ(readBytes(file), early + "\r\n\r\n\r\n");
  add("X.mp3");
  playlist.select(2);
  EXPECT_EQ(playlist.title(2), "X.mp3");
  EXPECT_EQ(playlist.path(playlist.selection()), "/m/X.mp3");
  EXPECT_EQ(playlist.paths(), (Strings{"/m/A.mp3", "/m/B.mp3", "/m/X.mp3", ""}));
  playlist.save();
  EXPECT_EQ(readBytes(file),
            " 3 \r\n/m/A.mp3\r\nA.mp3\r\n/m/B.mp3\r\nB.mp3\r\n/m/X.mp3\r\nX.mp3\r\n\r\n\r\n");
}

TEST_F(PlaylistFileFailures, ACountBeyondThePlaylistsLimitIsAnOverflowBeforeAnyEntry) {
  writeBytes(file, " 32767 \r\n/m/A.mp3\r\nA.mp3\r\n");
  playlist.loadPlaylist();
  EXPECT_TRUE(playlist.paths().empty());
  EXPECT_EQ(playlist.count(), 0);
  ASSERT_EQ(port.failures.size(), 1u);
  EXPECT_NE(port.failures[0].find("Overflow"), std::string::npos);
}

TEST_F(PlaylistFileFailures, AFailedSaveAndASaveOfNoSlotsLeaveTheOldFileWhole) {
  const std::string old = " 0 \r\n/m/Old.mp3\r\nOld.mp3\r\n";
  writeBytes(file, old);
  playlist.save();  // nothing loaded, nothing added: no slots
  std::filesystem::create_directory(std::filesystem::path(file) += ".new");
  add("A.mp3");
  playlist.save();  // the new file cannot be written beside the old one
  EXPECT_EQ(readBytes(file), old);
  EXPECT_EQ(port.failures.size(), 2u);
}

}  // namespace
