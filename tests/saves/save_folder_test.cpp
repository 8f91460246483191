// The save folder over the real file system: POSIX natively, Win32 under Wine.
#include "saves/save_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tessaly {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
std::uint32_t ThisProcessId() {
    return GetCurrentProcessId();
}

// A process that has ended. Its handle, held meanwhile, keeps Windows from giving its id to
// another.
class EndedProcess {
  public:
    EndedProcess() {
        wchar_t command[] = L"cmd.exe /c exit";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                           nullptr, &startup, &info_)) {
            WaitForSingleObject(info_.hProcess, INFINITE);
        }
    }
    ~EndedProcess() {
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    std::uint32_t id() const { return info_.dwProcessId; }

  private:
    PROCESS_INFORMATION info_{};
};
#else
std::uint32_t ThisProcessId() {
    return std::uint32_t(getpid());
}

class EndedProcess {
  public:
    EndedProcess() : id_(fork()) {
        if (id_ == 0) {
            _exit(0);
        }
        waitpid(id_, nullptr, 0);
    }
    std::uint32_t id() const { return std::uint32_t(id_); }

  private:
    pid_t id_;
};
#endif

class SaveFolderTest : public ::testing::Test {
  protected:
    std::u16string Root() const { return (temp_.path() / "saves" / "").u16string(); }
    fs::path OnDisk(std::string_view name) const {
        return temp_.path() / "saves" / fs::path(std::u8string(name.begin(), name.end()));
    }
    static FailureKind KindOf(const std::optional<Failure>& failure) {
        return failure ? failure->kind : FailureKind::UnknownMethod;
    }
    template <class T>
    static FailureKind KindOf(const Outcome<T>& outcome) {
        return std::holds_alternative<Failure>(outcome) ? std::get<Failure>(outcome).kind
                                                        : FailureKind::UnknownMethod;
    }
    std::vector<std::string> Names(const SavePath& folder) {
        std::vector<std::string> names;
        const Outcome<std::vector<SaveEntry>> listed = saves_->List(folder);
        for (const SaveEntry& entry : std::get<std::vector<SaveEntry>>(listed)) {
            std::string name = entry.name;
            name += entry.isFolder ? std::string("/") : ':' + std::to_string(entry.size);
            names.push_back(std::move(name));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempFolder temp_;
    std::unique_ptr<SaveFolder> saves_ = OpenSaveFolder(Root());
};

TEST_F(SaveFolderTest, WritesMakeTheFoldersAndReplaceTheContentWhole) {
    EXPECT_EQ(Names({}), std::vector<std::string>{});  // nothing saved yet: no folder at all
    EXPECT_EQ(KindOf(saves_->Read({"a.sav"}, 100)), FailureKind::NotFound);

    ASSERT_FALSE(saves_->Write({"slot 1", "grüße.sav"}, "first, longer content"));
    ASSERT_FALSE(saves_->Write({"slot 1", "grüße.sav"}, std::string("new\0", 4)));
    ASSERT_FALSE(saves_->Write({"top.sav"}, ""));
    EXPECT_EQ(std::get<std::string>(saves_->Read({"slot 1", "grüße.sav"}, 100)),
              std::string("new\0", 4));
    EXPECT_EQ(Names({}), (std::vector<std::string>{"slot 1/", "top.sav:0"}));
    EXPECT_EQ(Names({"slot 1"}), std::vector<std::string>{"grüße.sav:4"});
    const SaveEntry entry = std::get<std::vector<SaveEntry>>(saves_->List({"slot 1"}))[0];
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    EXPECT_LT(std::abs(entry.modifiedMs - now), 60 * 60 * 1000);  // in ms since 1970
    EXPECT_EQ(std::get<bool>(saves_->Exists({"slot 1"})), true);
    EXPECT_EQ(std::get<bool>(saves_->Exists({"slot 1", "grüße.sav"})), true);
    EXPECT_EQ(std::get<bool>(saves_->Exists({"slot 2", "x"})), false);
    EXPECT_EQ(std::get<bool>(saves_->Exists({"top.sav", "x"})), false);
}

TEST_F(SaveFolderTest, RefusesWhatIsNotThereTooLargeOrOfTheWrongKind) {
    ASSERT_FALSE(saves_->Write({"folder", "file"}, "12345"));
    EXPECT_EQ(KindOf(saves_->Read({"folder", "file"}, 4)), FailureKind::TooLarge);
    EXPECT_EQ(std::get<std::string>(saves_->Read({"folder", "file"}, 5)), "12345");
    EXPECT_EQ(KindOf(saves_->Read({"folder"}, 100)), FailureKind::NotAllowed);
    EXPECT_EQ(KindOf(saves_->Write({"folder"}, "x")), FailureKind::NotAllowed);
    EXPECT_EQ(KindOf(saves_->Write({"folder", "file", "inner"}, "x")), FailureKind::NotAllowed);
    EXPECT_EQ(KindOf(saves_->List({"folder", "file"})), FailureKind::NotAllowed);
    EXPECT_EQ(KindOf(saves_->List({"absent"})), FailureKind::NotFound);
    EXPECT_EQ(KindOf(saves_->Remove({"absent"})), FailureKind::NotFound);
    EXPECT_EQ(KindOf(saves_->Remove({"folder"})), FailureKind::NotAllowed);  // not empty
    EXPECT_FALSE(saves_->Remove({"folder", "file"}));
    EXPECT_FALSE(saves_->Remove({"folder"}));
    EXPECT_EQ(Names({}), std::vector<std::string>{});
}

TEST_F(SaveFolderTest, LeftoversOfInterruptedWritesNeverShowAndGoAtTheNextStart) {
    ASSERT_FALSE(saves_->Write({"deep", "game.sav"}, "saved"));
    const EndedProcess ended;
    ASSERT_NE(ended.id(), 0u);
    const std::string gone = ".tessaly-partial-" + std::to_string(ended.id());
    const std::string running = ".tessaly-partial-" + std::to_string(ThisProcessId());
    // A write in progress of a program still running stays; a leftover of one that has ended,
    // or one that names no program, goes.
    const std::pair<std::string, bool> leftovers[] = {
        {gone + "-1f", false},
        {"deep/" + gone + "-2", false},
        {"deep/.tessaly-partial-x", false},
        {running + "-3", true},
    };
    for (const auto& [name, stays] : leftovers) {
        std::ofstream(OnDisk(name)) << "half";
    }
    EXPECT_EQ(Names({}), std::vector<std::string>{"deep/"});
    EXPECT_EQ(Names({"deep"}), std::vector<std::string>{"game.sav:5"});
    saves_->RemovePartialWrites();
    for (const auto& [name, stays] : leftovers) {
        EXPECT_EQ(fs::exists(OnDisk(name)), stays) << name;
    }
    EXPECT_TRUE(fs::exists(OnDisk("deep/game.sav")));
}

#ifndef _WIN32
TEST_F(SaveFolderTest, NeverFollowsALinkOutOfTheFolder) {
    test::TempFolder outside;
    outside.Write("secret.txt", "outside");
    ASSERT_FALSE(saves_->Write({"own.sav"}, "x"));
    fs::create_directory_symlink(outside.path(), OnDisk("out"));
    fs::create_symlink(outside.path() / "secret.txt", OnDisk("secret.txt"));

    EXPECT_EQ(KindOf(saves_->Read({"secret.txt"}, 100)), FailureKind::NotAllowed);
    EXPECT_EQ(KindOf(saves_->Read({"out", "secret.txt"}, 100)), FailureKind::NotAllowed);
    EXPECT_EQ(KindOf(saves_->Write({"out", "new.txt"}, "x")), FailureKind::NotAllowed);
    EXPECT_EQ(KindOf(saves_->List({"out"})), FailureKind::NotAllowed);
    EXPECT_EQ(std::get<bool>(saves_->Exists({"out", "secret.txt"})), false);
    EXPECT_EQ(Names({}), std::vector<std::string>{"own.sav:1"});  // links are not listed
    // Writing or removing the link's own name replaces or removes the link, not its target.
    ASSERT_FALSE(saves_->Write({"secret.txt"}, "mine"));
    ASSERT_FALSE(saves_->Remove({"out"}));
    std::ifstream kept(outside.path() / "secret.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "outside");
}
#endif

}  // namespace
}  // namespace tessaly
