#include "browser/host_calls.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <stdexcept>

#include "base/base64.h"
#include "base/json_read.h"
#include "gate.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

constexpr std::string_view kKey = "0123456789abcdef0123456789abcdef";

class RecordingWindow final : public PageWindow {
  public:
    std::vector<std::string> calls;
    bool fullscreen = false;

    void Quit(int code) override { calls.push_back("Quit " + std::to_string(code)); }
    bool IsFullscreen() override { return fullscreen; }
    void SetFullscreen(bool on) override {
        calls.push_back(on ? "SetFullscreen 1" : "SetFullscreen 0");
        fullscreen = on;
    }
    void SetTitle(const std::string& title) override { calls.push_back("SetTitle " + title); }
    void SetContentSize(std::int32_t width, std::int32_t height) override {
        calls.push_back("SetContentSize " + std::to_string(width) + "x" + std::to_string(height));
    }
    WindowBounds Bounds() override { return {-10, 20, 800, 600}; }
    void Minimize() override { calls.push_back("Minimize"); }
    void SetAlwaysOnTop(bool on) override { calls.push_back(on ? "OnTop 1" : "OnTop 0"); }
};

// The save folder, except that a write to "blocked" waits at the gate, one to "throws" throws as
// an allocation that fails does, and one to "broken" throws as a fault of the program would.
class GatedSaveFolder final : public SaveFolder {
  public:
    GatedSaveFolder(std::unique_ptr<SaveFolder> saves, test::Gate& gate)
        : saves_(std::move(saves)), gate_(gate) {}

    std::optional<Failure> Write(const SavePath& path, std::string_view bytes) override {
        if (path == SavePath{"blocked"}) {
            gate_.Wait();
        }
        if (path == SavePath{"throws"}) {
            throw std::bad_alloc();
        }
        if (path == SavePath{"broken"}) {
            throw std::logic_error("broken");
        }
        return saves_->Write(path, bytes);
    }
    Outcome<std::string> Read(const SavePath& path, std::uint64_t limit) override {
        return saves_->Read(path, limit);
    }
    Outcome<std::vector<SaveEntry>> List(const SavePath& path) override {
        return saves_->List(path);
    }
    std::optional<Failure> Remove(const SavePath& path) override { return saves_->Remove(path); }
    Outcome<bool> Exists(const SavePath& path) override { return saves_->Exists(path); }
    void RemovePartialWrites() override { saves_->RemovePartialWrites(); }

  private:
    std::unique_ptr<SaveFolder> saves_;
    test::Gate& gate_;
};

// The app's one extension, "x": "echo" answers its params as its result, "fail" with an error
// whose texts are not UTF-8, "keep" never.
// Its load waits at LoadGate when there is one.
test::Gate* LoadGate = nullptr;

int TESSALY_EXTENSION_CALL EchoLoad(const TessalyHostApi* api, const char*, void** state) {
    if (LoadGate) {
        LoadGate->Wait();
    }
    *state = const_cast<TessalyHostApi*>(api);
    return 0;
}

void TESSALY_EXTENSION_CALL EchoCall(void* state, std::uint64_t id, const char* method,
                                     const char* params) {
    const TessalyHostApi& api = *static_cast<const TessalyHostApi*>(state);
    if (std::string_view(method) == "echo") {
        api.reply(api.host, id, params, nullptr, nullptr);
    } else if (std::string_view(method) == "fail") {
        api.reply(api.host, id, nullptr, "Bad\xFF", "not UTF-8: \xC3");
    }
}

void TESSALY_EXTENSION_CALL EchoUnload(void*) {}

class EchoLibrary final : public ExtensionLibrary {
  public:
    void* Export(const char* name) override {
        const std::string_view export_(name);
        return export_ == "tessaly_extension_load"   ? reinterpret_cast<void*>(EchoLoad)
               : export_ == "tessaly_extension_call" ? reinterpret_cast<void*>(EchoCall)
                                                     : reinterpret_cast<void*>(EchoUnload);
    }
};

std::unique_ptr<Extensions> EchoExtension() {
    ExtensionHooks hooks;
    hooks.open = [](const std::u16string&) -> OpenedLibrary {
        return std::make_unique<EchoLibrary>();
    };
    hooks.log = [](const std::string&) {};
    return std::make_unique<Extensions>(std::vector{ExtensionEntry{u"x", {{"linux-x64", u"x.so"}}}},
                                        u"/app/", "linux-x64", hooks);
}

// Plays the user-interface thread: tasks the calls post wait here until the test runs them.
class HostCallsTest : public ::testing::Test {
  protected:
    HostCallsTest() { Start(); }
    ~HostCallsTest() override {
        gate_.Open();
        loadGate_.Open();
        calls_.reset();
        LoadGate = nullptr;
    }

    void Start(std::unique_ptr<Extensions> extensions = nullptr) {
        Start(Saves(gate_), std::move(extensions));
    }

    std::unique_ptr<SaveFolder> Saves(test::Gate& gate) {
        return std::make_unique<GatedSaveFolder>(
            OpenSaveFolder((folder_.path() / "saves" / "").u16string()), gate);
    }

    void Start(std::unique_ptr<SaveFolder> saves, std::unique_ptr<Extensions> extensions) {
        calls_.reset();
        calls_ = std::make_unique<HostCalls>(
            AppFacts{"game", "1.0", "linux", "x64", {"--level", "ß"}, "de-AT", "/saves/game/"},
            std::string(kKey), window_, std::move(saves), std::move(extensions),
            [this](std::function<void()> task) {
                const std::lock_guard lock(mutex_);
                tasks_.push_back(std::move(task));
                posted_.notify_one();
            },
            [this](const std::string& line) {
                const std::lock_guard lock(mutex_);
                log_.push_back(line);
            });
    }

    void Post(const std::string& text) {
        calls_->Take(text, [this](const std::string& reply) { replies_.push_back(reply); });
    }

    // A call's text as the page's script writes it, with the next id.
    std::string CallText(const std::string& method, const Json& args) {
        return R"({"type":"tessaly-call","id":)" + std::to_string(++lastId_) + R"(,"key":")" +
               std::string(kKey) + R"(","method":)" + Json(method).dump() + R"(,"args":)" +
               args.dump() + "}";
    }

    // Posts a call and returns its reply's JSON, running the posted tasks as a main loop would.
    Json Call(const std::string& method, const Json& args) {
        Post(CallText(method, args));
        return NextReply();
    }

    // The next reply not yet looked at: refusals come at once, the others from the tasks.
    Json NextReply() {
        while (replies_.size() == seen_) {
            std::unique_lock lock(mutex_);
            if (!posted_.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return !tasks_.empty(); })) {
                ADD_FAILURE() << "no reply";
                return Json();
            }
            std::function<void()> task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
        }
        return Json::parse(replies_[seen_++]);
    }

    static std::string ErrorOf(const Json& reply) {
        return reply.contains("error") ? reply["error"]["name"].get<std::string>() : "none";
    }

    test::TempFolder folder_;
    test::Gate gate_;
    test::Gate loadGate_;
    RecordingWindow window_;
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::string> replies_;
    std::size_t seen_ = 0;
    std::vector<std::string> log_;
    std::unique_ptr<HostCalls> calls_;
    int lastId_ = 0;
};

TEST_F(HostCallsTest, RepliesCarryTheCallsIdAndTheResult) {
    const Json info = Call("app.info", Json::array());
    EXPECT_EQ(info["type"], "tessaly-reply");
    EXPECT_EQ(info["id"], lastId_);
    EXPECT_EQ(info["result"],
              Json::parse(R"({"name":"game","version":"1.0","platform":"linux","arch":"x64",
                 "args":["--level","ß"],"language":"de-AT","filesFolder":"/saves/game/"})"));
    EXPECT_EQ(Call("window.getBounds", Json::array())["result"],
              Json::parse(R"({"x":-10,"y":20,"width":800,"height":600})"));
}

TEST_F(HostCallsTest, WindowMethodsCheckTheirArgumentsBeforeActing) {
    struct Case {
        std::string method;
        Json args;
        std::string error;
    };
    const Case cases[] = {
        {"window.setTitle", {"Level 2"}, "none"},
        {"window.setTitle", {5}, "InvalidArgument"},
        {"window.setSize", {800, 600}, "none"},
        {"window.setSize", {0, 600}, "InvalidArgument"},
        {"window.setSize", {800.5, 600}, "InvalidArgument"},
        {"window.setSize", {800}, "InvalidArgument"},
        {"window.setAlwaysOnTop", {true}, "none"},
        {"window.setAlwaysOnTop", {1}, "InvalidArgument"},
        {"window.minimize", Json::array(), "none"},
        {"window.minimize", {true}, "InvalidArgument"},  // more arguments than it takes
        {"window.setFullscreen", {"yes"}, "InvalidArgument"},
        {"window.setFullscreen", {true}, "none"},
        {"window.setSize", {800, 600}, "NotAllowed"},  // full screen now
        {"window.isFullscreen", Json::array(), "none"},
        {"app.quit", {256}, "InvalidArgument"},
        {"app.quit", {-1}, "InvalidArgument"},
        {"app.quit", {1.5}, "InvalidArgument"},
        {"app.quit", {"3"}, "InvalidArgument"},
        {"window.close", Json::array(), "UnknownMethod"},
        {"files.delete", {"a"}, "UnknownMethod"},
        {"extensions.call", {"echo", "echo", 1}, "NotFound"},  // the app lists none
        {"extensions.call", {"echo", 5}, "InvalidArgument"},
        {"extensions.call", Json::array(), "InvalidArgument"},
        {"extensions.call", {"echo", "echo", 1, 2}, "InvalidArgument"},
        {"extensions.list", Json::array(), "none"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorOf(Call(c.method, c.args)), c.error) << c.method << c.args.dump();
    }
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"SetTitle Level 2", "SetContentSize 800x600",
                                                       "OnTop 1", "Minimize", "SetFullscreen 1"}));
    EXPECT_EQ(replies_.size(), std::size(cases));
}

TEST_F(HostCallsTest, QuitAnswersThenClosesWithTheCode) {
    EXPECT_EQ(Call("app.quit", {3})["result"], Json());
    EXPECT_EQ(Call("app.quit", {nullptr})["result"], Json());
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"Quit 3", "Quit 0"}));
}

TEST_F(HostCallsTest, FilesRoundTripTextAndBytesInCallOrder) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        bytes += char(i);
    }
    // Posted together: the background thread takes them in order, so the last write wins.
    for (const char* text : {"first", "second"}) {
        const Json call = {{"type", "tessaly-call"},
                           {"id", ++lastId_},
                           {"key", kKey},
                           {"method", "files.write"},
                           {"args", {"a/b.txt", text}}};
        Post(call.dump());
    }
    NextReply();
    NextReply();
    EXPECT_EQ(Call("files.readText", {"a/b.txt"})["result"], "second");
    // As the page's script writes them: the bytes last, where they are taken without the JSON
    // reader; anything but plain base64 there is left to it.
    const std::string opening = R"({"type":"tessaly-call","id":)";
    const std::string key = R"(,"key":")" + std::string(kKey) + R"(","method":"files.write",)";
    const std::pair<std::string, std::string> written[] = {
        {R"({"base64":"AP8A"})", "AP8A"},
        {R"({"base64":"A\/8A"})", "A/8A"},  // JSON's escaped slash: for the JSON reader
        {R"({"base64":"AP8A","x":"QQ=="})", "AP8A"},
        {R"({"base64":""}],"x":[{"base64":"QQ=="})", ""},  // bytes outside the arguments
    };
    for (const auto& [data, base64] : written) {
        Post(opening + "90" + key + R"("args":["c.bin",)" + data + "]}");
        EXPECT_EQ(ErrorOf(NextReply()), "none") << data;
        EXPECT_EQ(Call("files.readBytes", {"c.bin"})["result"]["base64"], base64) << data;
    }
    EXPECT_EQ(ErrorOf(Call("files.write", {"bin", {{"base64", EncodeBase64(bytes)}}})), "none");
    EXPECT_EQ(Call("files.readBytes", {"bin"})["result"]["base64"], EncodeBase64(bytes));
    const Json list = Call("files.list", {nullptr})["result"];
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(Call("files.list", {"a"})["result"][0]["kind"], "file");
    EXPECT_EQ(Call("files.exists", {"a/b.txt"})["result"], true);
    EXPECT_EQ(ErrorOf(Call("files.remove", {"a/b.txt"})), "none");
    EXPECT_EQ(Call("files.exists", {"a/b.txt"})["result"], false);
}

TEST_F(HostCallsTest, FileCallsRefuseBadPathsDataAndSizes) {
    const std::pair<Json, std::string> cases[] = {
        {{"files.write", {"../x", "data"}}, "InvalidPath"},
        {{"files.write", {"x", 5}}, "InvalidArgument"},
        {{"files.write", {"x", {{"base64", "###"}}}}, "InvalidArgument"},
        {{"files.write", {"x", {{"base64", EncodeBase64(std::string(kMaxSaveFileBytes, 'x'))}}}},
         "none"},
        {{"files.write",
          {"x", {{"base64", EncodeBase64(std::string(kMaxSaveFileBytes + 1, 'x'))}}}},
         "TooLarge"},
        {{"files.write", {"x", {{"base64", ""}}, {{"base64", "QUJD"}}}}, "InvalidArgument"},
        {{"files.readText", {7}}, "InvalidArgument"},
        {{"files.readText", {""}}, "InvalidPath"},
        {{"files.readBytes", {"absent"}}, "NotFound"},
        {{"files.list", {"C:/x"}}, "InvalidPath"},
        {{"files.remove", {"CON"}}, "InvalidPath"},
        {{"files.exists", {"a\\b"}}, "InvalidPath"},
    };
    for (const auto& [call, error] : cases) {
        EXPECT_EQ(ErrorOf(Call(call[0], call[1])), error) << call.dump().substr(0, 80);
    }
    EXPECT_EQ(Call("files.readText", {"x"})["result"].get<std::string>().size(), kMaxSaveFileBytes);
    Start(nullptr, nullptr);  // an app whose name cannot name a folder
    EXPECT_EQ(ErrorOf(Call("files.exists", {"x"})), "NotAllowed");
}

TEST_F(HostCallsTest, OnlyCallsWithTheKeyAndAnIdAreAnswered) {
    Post(R"({"type":"tessaly-call","id":1,"key":"wrong","method":"app.info","args":[]})");
    Post(R"({"type":"tessaly-call","method":"app.info","key":")" + std::string(kKey) + "\"}");
    Post(R"({"type":"tessaly-call","id":7,"key":)");  // cut short: answered by its id
    EXPECT_EQ(NextReply(), Json::parse(R"({"type":"tessaly-reply","id":7,"error":
        {"name":"InvalidArgument","message":"the call is not valid JSON"}})"));
    // A call larger than any file's base64 is refused unread, by its id.
    std::u16string huge = u"{\"type\":\"tessaly-call\",\"id\":9,";
    huge.resize(25 * 1024 * 1024, u' ');
    calls_->Take(std::move(huge), [this](const std::string& reply) { replies_.push_back(reply); });
    EXPECT_EQ(ErrorOf(NextReply()), "TooLarge");
    EXPECT_EQ(replies_.size(), 2u);
}

TEST_F(HostCallsTest, ExtensionResultsReachThePageAsTheyAre) {
    Start(EchoExtension());
    for (const char* params : {R"({"base64":1})", R"({"base64":null})",
                               R"({"base64":"a\"b\\c\r\n"})", R"({"base64":"QUJD"})", "[1]"}) {
        const Json reply = Call("extensions.call", {"x", "echo", Json::parse(params)});
        EXPECT_EQ(reply["id"], lastId_);
        EXPECT_EQ(reply["result"], Json::parse(params));
    }
    EXPECT_EQ(Call("extensions.call", {"x", "fail"})["error"],
              Json::parse(R"({"name":"Bad\uFFFD","message":"not UTF-8: \uFFFD"})"));
}

// Calls taken and not yet answered hold the budget: here, behind a write that waits.
TEST_F(HostCallsTest, CallsPastTheBudgetAreBusyUntilEarlierOnesAreDone) {
    const std::pair<Json, int> cases[] = {
        {{"files.exists", {"a"}}, 4095},  // each counts as 16 KiB, as the blocked write does
        {{"files.write", {"big", std::string(1 << 20, 'x')}}, 63},
    };
    for (const auto& [call, fit] : cases) {
        test::Gate gate;
        Start(Saves(gate), nullptr);
        Post(CallText("files.write", {"blocked", ""}));
        for (int i = 0; i <= fit; ++i) {
            Post(CallText(call[0], call[1]));
        }
        EXPECT_EQ(replies_.size(), seen_ + 1) << "one refused at once";
        const Json busy = NextReply();
        EXPECT_EQ(busy["id"], lastId_);
        EXPECT_EQ(busy["error"]["name"], "Busy");
        gate.Open();
        for (int i = 0; i <= fit; ++i) {
            EXPECT_EQ(ErrorOf(NextReply()), "none");
        }
        EXPECT_EQ(ErrorOf(Call(call[0], call[1])), "none");
    }
}

TEST_F(HostCallsTest, NoCallWaitsForAWriteOrAnExtensionsLoadItDoesNotNeed) {
    LoadGate = &loadGate_;
    Start(EchoExtension());
    Post(CallText("extensions.list", Json::array()));
    EXPECT_EQ(Call("files.exists", {"a"})["id"], 2);
    Post(CallText("files.write", {"blocked", "x"}));
    EXPECT_EQ(Call("window.getBounds", Json::array())["id"], 4);
    loadGate_.Open();
    EXPECT_EQ(NextReply(), Json::parse(R"({"type":"tessaly-reply","id":1,
        "result":[{"name":"x","loaded":true,"reason":null}]})"));
    gate_.Open();
    EXPECT_EQ(NextReply()["id"], 3);
}

TEST_F(HostCallsTest, ACallThatThrowsIsAnsweredAndTheNextOnesRun) {
    const Json failed = Call("files.write", {"throws", "x"});
    EXPECT_EQ(failed["error"]["name"], "Busy");
    EXPECT_EQ(failed["error"]["message"],
              "the program could not finish files.write (std::bad_alloc); await earlier calls, "
              "then retry");
    // Waiting cannot mend a fault of the program itself: no Busy that asks the page to retry.
    const Json broken = Call("files.write", {"broken", "x"});
    EXPECT_EQ(broken["error"]["name"], "IOError");
    EXPECT_EQ(broken["error"]["message"], "the program could not finish files.write: broken");
    EXPECT_EQ(ErrorOf(Call("files.exists", {"throws"})), "none");
    EXPECT_EQ(log_, (std::vector<std::string>{"the call files.write failed: std::bad_alloc",
                                              "the call files.write failed: broken"}));
}

}  // namespace
}  // namespace tessaly
