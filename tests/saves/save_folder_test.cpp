// The save folder over the real file system: POSIX natively, Win32 under Wine.
#include "saves/save_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>

#include <thread>
#include <tuple>

#include "saves/save_handles_win32.h"
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

enum class LinkKind { ToFolder, ToFile, Junction };

#ifdef _WIN32
std::uint32_t ThisProcessId() {
    return GetCurrentProcessId();
}

// A process that runs, suspended, until End(). Its handle, held until the end of the test,
// keeps Windows from giving its id to another.
class ChildProcess {
  public:
    ChildProcess() {
        wchar_t command[] = L"cmd.exe";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        CreateProcessW(nullptr, command, nullptr, nullptr, FALSE,
                       CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info_);
    }
    ~ChildProcess() {
        End();
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    std::uint32_t id() const { return info_.dwProcessId; }
    void End() {
        TerminateProcess(info_.hProcess, 0);
        WaitForSingleObject(info_.hProcess, INFINITE);
    }

  private:
    PROCESS_INFORMATION info_{};
};

constexpr LinkKind kLinkKinds[] = {LinkKind::ToFolder, LinkKind::ToFile, LinkKind::Junction};

// A junction: a folder whose mount-point reparse data names the target by its NT path. The
// data's layout (REPARSE_DATA_BUFFER) is in the driver kit's headers only.
std::optional<std::string> MakeJunction(const fs::path& target, const fs::path& at) {
    const std::wstring name = L"\\??\\" + target.wstring();
    const WORD nameBytes = WORD(name.size() * sizeof(wchar_t));
    // Tag, data length, reserved; the substitute name's offset and length, the printed name's
    // (empty); the names, each ending in NUL.
    std::vector<BYTE> data(8 + 8 + nameBytes + 2 * sizeof(wchar_t));
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    const WORD fields[] = {WORD(data.size() - 8), 0, 0, nameBytes, WORD(nameBytes + 2), 0};
    std::memcpy(data.data(), &tag, sizeof(tag));
    std::memcpy(data.data() + 4, fields, sizeof(fields));
    std::memcpy(data.data() + 16, name.data(), nameBytes);
    fs::create_directory(at);
    const HANDLE folder =
        CreateFileW(at.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD unused = 0;
    const bool made = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, data.data(),
                                      DWORD(data.size()), nullptr, 0, &unused, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(folder);
    if (!made) {
        fs::remove(at);
        return "FSCTL_SET_REPARSE_POINT failed with error " + std::to_string(error);
    }
    return std::nullopt;
}

// Makes a link at `at` to `target`: nothing, or why the system made none.
std::optional<std::string> MakeLink(LinkKind kind, const fs::path& target, const fs::path& at) {
    if (kind == LinkKind::Junction) {
        return MakeJunction(target, at);
    }
    const DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE |
                        (kind == LinkKind::ToFolder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    if (!CreateSymbolicLinkW(at.c_str(), target.c_str(), flags)) {
        return "CreateSymbolicLinkW failed with error " + std::to_string(GetLastError());
    }
    const DWORD attributes = GetFileAttributesW(at.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return "CreateSymbolicLinkW answered success but made no link";  // as Wine 8 does
    }
    return std::nullopt;
}
#else
std::uint32_t ThisProcessId() {
    return std::uint32_t(getpid());
}

// A process that waits until End().
class ChildProcess {
  public:
    ChildProcess() : id_(fork()) {
        while (id_ == 0) {
            pause();
        }
    }
    ~ChildProcess() { End(); }
    std::uint32_t id() const { return std::uint32_t(id_); }
    void End() {
        if (running_ && kill(id_, SIGKILL) == 0) {
            waitpid(id_, nullptr, 0);
        }
        running_ = false;
    }

  private:
    pid_t id_;
    bool running_ = id_ > 0;
};

constexpr LinkKind kLinkKinds[] = {LinkKind::ToFolder, LinkKind::ToFile};

std::optional<std::string> MakeLink(LinkKind kind, const fs::path& target, const fs::path& at) {
    if (kind == LinkKind::ToFolder) {
        fs::create_directory_symlink(target, at);
    } else {
        fs::create_symlink(target, at);
    }
    return std::nullopt;
}
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
    static std::string Why(const std::optional<Failure>& failure) {
        return failure ? failure->message : "(no failure)";
    }
    template <class T>
    static std::string Why(const Outcome<T>& outcome) {
        return std::holds_alternative<Failure>(outcome) ? std::get<Failure>(outcome).message
                                                        : "(no failure)";
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
    ChildProcess running;
    ChildProcess ended;
    ended.End();
    ASSERT_TRUE(running.id() && ended.id());
    const std::string partial = ".tessaly-partial-";
    const std::string gone = partial + std::to_string(ended.id());
    // A write in progress of a program still running stays. A leftover of one that has ended
    // or never was, one that names no program, and one with this program's own id (left by an
    // earlier one that had it) go.
    const std::pair<std::string, bool> leftovers[] = {
        {partial + std::to_string(running.id()) + "-3", true},
        {gone + "-1f", false},
        {"deep/" + gone + "-2", false},
        {partial + "2147483647-5", false},  // odd and above 2^22: no id on either system
        {"deep/" + partial + "x", false},
        {partial + std::to_string(ThisProcessId()) + "-4", false},
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

TEST_F(SaveFolderTest, NeverFollowsALinkOutOfTheFolder) {
    test::TempFolder outside;
    outside.Write("secret.txt", "outside");
    ASSERT_FALSE(saves_->Write({"own.sav"}, "x"));
    std::string notMade;
    for (const LinkKind kind : kLinkKinds) {
        const fs::path target =
            kind == LinkKind::ToFile ? outside.path() / "secret.txt" : outside.path();
        if (const std::optional<std::string> why = MakeLink(kind, target, OnDisk("link"))) {
            notMade += " " + *why + ";";
            continue;
        }
        SCOPED_TRACE(int(kind));
        // On the way and at the name.
        EXPECT_THAT(Why(saves_->Read({"link", "secret.txt"}, 100)), HasSubstr(kLinkRefused));
        EXPECT_THAT(Why(saves_->Write({"link", "new.txt"}, "x")), HasSubstr(kLinkRefused));
        EXPECT_THAT(Why(saves_->List({"link"})), HasSubstr(kLinkRefused));
        EXPECT_THAT(Why(saves_->Read({"link"}, 100)), HasSubstr(kLinkRefused));
        EXPECT_THAT(Why(saves_->Write({"link"}, "x")), HasSubstr(kLinkRefused));
        EXPECT_EQ(std::get<bool>(saves_->Exists({"link", "secret.txt"})), false);
        EXPECT_EQ(std::get<bool>(saves_->Exists({"link"})), false);
        EXPECT_EQ(Names({}), std::vector<std::string>{"own.sav:1"});  // links are not listed
        // Removing the link's own name removes the link, not what it leads to.
        ASSERT_FALSE(saves_->Remove({"link"}));
        EXPECT_FALSE(fs::exists(fs::symlink_status(OnDisk("link"))));
    }
    std::ifstream kept(outside.path() / "secret.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "outside");
    EXPECT_EQ(std::distance(fs::directory_iterator(outside.path()), {}), 1);
    if (!notMade.empty()) {
        GTEST_SKIP() << "links this system did not make, so not tried:" << notMade;
    }
}

#ifdef _WIN32
// Wine makes no reparse points, so what the folder makes of them is checked on their facts.
TEST(SaveItemKindTest, OnlySymbolicLinksAndJunctionsAreLinks) {
    const std::tuple<DWORD, DWORD, ItemKind> cases[] = {
        {FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK, ItemKind::Link},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_MOUNT_POINT,
         ItemKind::Link},
        {FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_CLOUD, ItemKind::File},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_CLOUD_3,
         ItemKind::Folder},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_DEDUP,
         ItemKind::File},
        {FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK, ItemKind::Folder},  // no reparse point
    };
    for (const auto& [attributes, tag, kind] : cases) {
        EXPECT_EQ(KindOf(attributes, tag), kind) << std::hex << attributes << " " << tag;
    }
}

// A folder another program holds open without sharing cannot be listed, which is no empty folder.
TEST_F(SaveFolderTest, AFolderThatCannotBeListedIsAnError) {
    ASSERT_FALSE(saves_->Write({"locked", "a.sav"}, "x"));
    const HANDLE held = CreateFileW(OnDisk("locked").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(KindOf(saves_->List({"locked"})), FailureKind::IOError);
    CloseHandle(held);
}

// An antivirus, an indexer or a sync client holds a save open for a moment without letting it
// be deleted. Holding it past the second the program waits fails the call. All the while the
// folders on the way stay put.
TEST_F(SaveFolderTest, WaitsForAProgramThatHoldsTheFileOpen) {
    struct Case {
        const char* name;
        bool remove;
        DWORD heldMs;
        FailureKind failure;  // UnknownMethod for none
        const char* left;     // the content afterwards; "" for none
    };
    const Case cases[] = {
        {"write.sav", false, 300, FailureKind::UnknownMethod, "new"},
        {"remove.sav", true, 300, FailureKind::UnknownMethod, ""},
        {"held.sav", false, 1700, FailureKind::IOError, "old"},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(saves_->Write({"slot", c.name}, "old"));
        const HANDLE held =
            CreateFileW(OnDisk("slot/" + std::string(c.name)).c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        bool folderMoved = false;
        std::thread holder([&] {
            Sleep(100);
            folderMoved = MoveFileExW(OnDisk("slot").c_str(), OnDisk("moved").c_str(), 0) != FALSE;
            Sleep(c.heldMs - 100);
            CloseHandle(held);
        });
        const std::optional<Failure> failure =
            c.remove ? saves_->Remove({"slot", c.name}) : saves_->Write({"slot", c.name}, "new");
        holder.join();
        ASSERT_FALSE(folderMoved) << c.name;
        EXPECT_EQ(KindOf(failure), c.failure) << c.name;
        const Outcome<std::string> content = saves_->Read({"slot", c.name}, 100);
        const std::string* bytes = std::get_if<std::string>(&content);
        EXPECT_EQ(bytes ? *bytes : "", c.left) << c.name;
    }
}
#endif

}  // namespace
}  // namespace tessaly
