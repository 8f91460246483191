#include "extensions/extensions.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <new>
#include <thread>

#include "gate.h"

namespace tessaly {
namespace {

// One fake extension: what it was given, and on which threads. Its functions find it through
// the state its load keeps.
struct FakeExtension {
    int loadResult = 0;
    const TessalyHostApi* api = nullptr;  // valid until the unload has returned
    std::uint32_t abi = 0;
    std::string appFolder;
    std::thread::id loadThread;
    std::thread::id unloadThread;
    std::vector<std::thread::id> callThreads;
    std::vector<std::string> calls;              // "method params"
    std::vector<std::string>* events = nullptr;  // the order of loads, calls and unloads
    bool* libraryGone = nullptr;
    test::Gate* loadGate = nullptr;  // the load waits there when there is one
};

thread_local FakeExtension* Opening = nullptr;  // the load follows the open on its thread

int TESSALY_EXTENSION_CALL FakeLoad(const TessalyHostApi* api, const char* folder, void** state) {
    FakeExtension& fake = *Opening;
    if (fake.loadGate) {
        fake.loadGate->Wait();
    }
    fake.api = api;
    fake.abi = api->abi;
    fake.appFolder = folder;
    fake.loadThread = std::this_thread::get_id();
    *state = &fake;
    return fake.loadResult;
}

// Each method does one thing the tests need of an extension.
void TESSALY_EXTENSION_CALL FakeCall(void* state, std::uint64_t id, const char* method,
                                     const char* params) {
    FakeExtension& fake = *static_cast<FakeExtension*>(state);
    fake.callThreads.push_back(std::this_thread::get_id());
    fake.calls.push_back(std::string(method) + " " + params);
    const TessalyHostApi& api = *fake.api;
    const std::string name = method;
    if (name == "echo") {
        api.reply(api.host, id, params, nullptr, nullptr);
    } else if (name == "fail") {
        api.reply(api.host, id, "ignored", "Mine", "it failed");
    } else if (name == "twice") {
        api.reply(api.host, id, "1", nullptr, nullptr);
        api.reply(api.host, id, "2", nullptr, nullptr);
    } else if (name == "not-json") {
        api.reply(api.host, id, "{oops", nullptr, nullptr);
    } else if (name == "stranger") {
        api.reply(api.host, id + 100, "1", nullptr, nullptr);
        api.reply(api.host, id, "null", nullptr, nullptr);
    } else if (name == "emit") {
        api.emit(api.host, params);
        api.reply(api.host, id, "null", nullptr, nullptr);
    } else if (name == "emit-many") {
        for (int i = std::stoi(params); i > 0; --i) {
            api.emit(api.host, "1");
        }
        api.reply(api.host, id, "null", nullptr, nullptr);
    }  // "keep": never answered
}

void TESSALY_EXTENSION_CALL FakeUnload(void* state) {
    FakeExtension& fake = *static_cast<FakeExtension*>(state);
    fake.unloadThread = std::this_thread::get_id();
    EXPECT_FALSE(*fake.libraryGone) << "unloaded after its library";
}

class FakeLibrary final : public ExtensionLibrary {
  public:
    FakeLibrary(std::string missingExport, bool& gone)
        : missing_(std::move(missingExport)), gone_(gone) {}
    ~FakeLibrary() override { gone_ = true; }
    void* Export(const char* name) override {
        if (name == missing_) {
            return nullptr;
        }
        const std::map<std::string, void*> exports = {
            {"tessaly_extension_load", reinterpret_cast<void*>(FakeLoad)},
            {"tessaly_extension_call", reinterpret_cast<void*>(FakeCall)},
            {"tessaly_extension_unload", reinterpret_cast<void*>(FakeUnload)}};
        return exports.at(name);
    }

  private:
    std::string missing_;
    bool& gone_;
};

// The answers, events and log lines the extensions give, from whatever thread.
class Recorder {
  public:
    void Add(std::vector<std::string>& list, std::string item) {
        std::lock_guard lock(mutex_);
        list.push_back(std::move(item));
        changed_.notify_all();
    }
    // Waits for `list` to hold `count` items; they are read after this.
    void WaitFor(const std::vector<std::string>& list, std::size_t count) {
        std::unique_lock lock(mutex_);
        EXPECT_TRUE(
            changed_.wait_for(lock, std::chrono::seconds(10), [&] { return list.size() >= count; }))
            << "only " << list.size() << " of " << count;
    }

    std::vector<std::string> answers, events, log;

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

std::string Describe(const Outcome<Json>& outcome) {
    if (const Failure* failure = std::get_if<Failure>(&outcome)) {
        return std::string(FailureName(*failure)) + ": " + failure->message;
    }
    return std::get<Json>(outcome).dump();
}

class ExtensionsTest : public ::testing::Test {
  protected:
    // Entries "NAME=PATH" for linux-x64; the fakes are found by path.
    void Start(const std::vector<std::pair<std::string, std::string>>& listed) {
        std::vector<ExtensionEntry> entries;
        for (const auto& [name, path] : listed) {
            ExtensionEntry entry;
            entry.name = std::u16string(name.begin(), name.end());
            entry.libraries.emplace("linux-x64", std::u16string(path.begin(), path.end()));
            entries.push_back(std::move(entry));
        }
        ExtensionHooks hooks;
        hooks.open = [this](const std::u16string& path) -> OpenedLibrary {
            const std::lock_guard lock(openMutex_);  // each extension opens on its own thread
            const std::string file(path.begin() + 5, path.end());  // after "/app/"
            opened_.push_back(file);
            if (file.starts_with("missing")) {
                return std::string("no such file");
            }
            FakeExtension& fake = fakes_[file];
            fake.libraryGone = &gone_[file];
            Opening = &fake;
            const std::size_t dot = file.find('.');
            return std::make_unique<FakeLibrary>(
                dot == std::string::npos ? "" : file.substr(dot + 1), gone_[file]);
        };
        hooks.sendEvent = [this](std::string_view extension, const Json& event,
                                 std::function<void()> delivered) {
            if (eventsThrow_) {
                throw std::bad_alloc();
            }
            record_.Add(record_.events, std::string(extension) + " " + event.dump());
            const std::lock_guard lock(openMutex_);
            undelivered_.push_back(std::move(delivered));
        };
        hooks.log = [this](const std::string& line) { record_.Add(record_.log, line); };
        extensions_ = std::make_unique<Extensions>(entries, u"/app/", "linux-x64", hooks);
    }

    // The extensions' list, once they give it.
    Json Listed() {
        std::promise<Json> listed;
        extensions_->List([&](Json list) { listed.set_value(std::move(list)); });
        return listed.get_future().get();
    }

    // Tells the extensions that the page has every event sent so far but `left`.
    void Deliver(std::size_t left = 0) {
        std::vector<std::function<void()>> delivered;
        {
            const std::lock_guard lock(openMutex_);
            delivered.assign(undelivered_.begin() + left, undelivered_.end());
            undelivered_.resize(left);
        }
        for (const auto& done : delivered) {
            done();
        }
    }

    void Call(std::string_view name, std::string method, std::string params = "null") {
        extensions_->Call(
            name, std::move(method), std::move(params),
            [this](Outcome<Json> outcome) { record_.Add(record_.answers, Describe(outcome)); });
    }

    std::mutex openMutex_;
    std::map<std::string, FakeExtension> fakes_;
    std::map<std::string, bool> gone_;
    std::vector<std::string> opened_;
    std::vector<std::function<void()>> undelivered_;
    bool eventsThrow_ = false;
    Recorder record_;
    std::unique_ptr<Extensions> extensions_;
};

TEST_F(ExtensionsTest, EachRunsOnAThreadOfItsOwnInCallOrder) {
    Start({{"first", "a"}, {"second", "b"}});
    for (int i = 0; i < 100; ++i) {
        Call(i % 2 ? "second" : "first", "echo", std::to_string(i));
    }
    record_.WaitFor(record_.answers, 100);
    extensions_.reset();
    for (const auto& [file, offset] : {std::pair("a", 0), std::pair("b", 1)}) {
        const FakeExtension& fake = fakes_[file];
        ASSERT_EQ(fake.calls.size(), 50u);
        for (int i = 0; i < 50; ++i) {
            EXPECT_EQ(fake.calls[i], "echo " + std::to_string(2 * i + offset));
            EXPECT_EQ(fake.callThreads[i], fake.loadThread);
        }
        EXPECT_EQ(fake.unloadThread, fake.loadThread);
        EXPECT_NE(fake.loadThread, std::this_thread::get_id());
        EXPECT_EQ(fake.appFolder, "/app/");
        EXPECT_EQ(fake.abi, std::uint32_t(TESSALY_EXTENSION_ABI));
    }
    EXPECT_NE(fakes_["a"].loadThread, fakes_["b"].loadThread);
}

TEST_F(ExtensionsTest, ThoseThatCannotLoadAnswerUnavailableWithTheReason) {
    fakes_["refuses"].loadResult = 3;
    Start({{"ok", "good"},
           {"gone", "missing.so"},
           {"noload", "x.tessaly_extension_load"},
           {"nocall", "x.tessaly_extension_call"},
           {"nounload", "x.tessaly_extension_unload"},
           {"refuses", "refuses"},
           {"bad name", "good"},
           {"ok", "good2"},
           {"outside", "../x.so"}});
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"gone", "cannot load missing.so: no such file"},
        {"noload", "x.tessaly_extension_load does not export tessaly_extension_load"},
        {"nocall", "x.tessaly_extension_call does not export tessaly_extension_call"},
        {"nounload", "x.tessaly_extension_unload does not export tessaly_extension_unload"},
        {"refuses", "its tessaly_extension_load returned 3"},
        {"bad name", "the name \"bad name\" may hold only letters, digits, - and _"},
        {"outside",
         "the path \"../x.so\" for linux-x64 must name a file inside the app folder, "
         "without a drive, a leading slash, \".\" or \"..\""}};
    const Json list = Listed();
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(list[0], Json::parse(R"({"name":"ok","loaded":true,"reason":null})"));
    EXPECT_EQ(list[7]["reason"], "an earlier extension is also named \"ok\"");
    for (const auto& [name, reason] : expected) {
        record_.answers.clear();
        Call(name, "echo", "1");
        record_.WaitFor(record_.answers, 1);
        EXPECT_EQ(record_.answers[0],
                  "ExtensionUnavailable: the extension \"" + name + "\" is unavailable: " + reason);
        const auto listed = std::find_if(list.begin(), list.end(),
                                         [&](const Json& item) { return item["name"] == name; });
        EXPECT_EQ(*listed, Json({{"name", name}, {"loaded", false}, {"reason", reason}}));
        EXPECT_NE(std::find(record_.log.begin(), record_.log.end(),
                            "extension \"" + name + "\" is unavailable: " + reason),
                  record_.log.end());
    }
    // What can never load is not opened; a library that failed is let go at once.
    EXPECT_EQ(opened_.size(), 6u);
    EXPECT_TRUE(gone_["refuses"]);
    EXPECT_FALSE(gone_["good"]);
}

TEST_F(ExtensionsTest, AnswersMustBeJsonAndCountOnce) {
    Start({{"e", "a"}});
    Call("e", "fail");
    Call("e", "not-json");
    Call("e", "twice");
    Call("e", "stranger");
    Call("e", "echo", R"({"text":"ß","n":[1,2]})");
    Call("e", "echo", std::string(129, '[') + std::string(129, ']'));
    record_.WaitFor(record_.answers, 6);
    EXPECT_EQ(record_.answers,
              (std::vector<std::string>{
                  "Mine: it failed",
                  "ExtensionError: the extension \"e\" answered not-json with a result that is "
                  "not JSON",
                  "1", "null", R"({"n":[1,2],"text":"ß"})",
                  "ExtensionError: the extension \"e\" answered echo with a result that is "
                  "nested more than 128 levels deep"}));
    record_.WaitFor(record_.log, 4);
    EXPECT_EQ(record_.log[1],
              "extension \"e\" answered call 2 (not-json) with a result that is not JSON");
    EXPECT_EQ(record_.log[2],
              "extension \"e\" answered call 3 again, or after it was abandoned; the answer is "
              "dropped");
    EXPECT_EQ(record_.log[3],
              "extension \"e\" answered call 104, which it was never given; the answer is "
              "dropped");
}

TEST_F(ExtensionsTest, EventsMustBeJson) {
    Start({{"e", "a"}});
    Call("e", "emit", R"({"n":1})");
    Call("e", "emit", "[1,");
    record_.WaitFor(record_.answers, 2);
    EXPECT_EQ(record_.events, std::vector<std::string>{R"(e {"n":1})"});
    record_.WaitFor(record_.log, 2);
    EXPECT_EQ(record_.log[1], "extension \"e\" sent an event that is not JSON; it is dropped");
}

// The page takes events at its pace: one line tells of each burst that outran it.
TEST_F(ExtensionsTest, EventsPastTheBoundAreDroppedAndLoggedOncePerBurst) {
    Start({{"e", "a"}});
    const std::string line =
        "extension \"e\" sent events faster than the page takes them; 5 dropped";
    for (int burst = 1; burst <= 2; ++burst) {
        Call("e", "emit-many", std::to_string(kMaxWaitingEvents + 5));
        record_.WaitFor(record_.answers, burst);
        EXPECT_EQ(record_.events.size(), burst * kMaxWaitingEvents);
        Deliver(1);
        EXPECT_EQ(std::count(record_.log.begin(), record_.log.end(), line), burst - 1);
        Deliver();
        EXPECT_EQ(std::count(record_.log.begin(), record_.log.end(), line), burst);
    }
    Call("e", "emit-many", std::to_string(kMaxWaitingEvents + 5));
    record_.WaitFor(record_.answers, 3);
    extensions_.reset();  // the page never caught up
    EXPECT_EQ(std::count(record_.log.begin(), record_.log.end(), line), 3);
    Deliver();  // deliveries may end after the extensions
}

TEST_F(ExtensionsTest, ListWaitsForEveryLoadWithoutHoldingUpCalls) {
    test::Gate gate;
    fakes_["slow"].loadGate = &gate;
    Start({{"slow", "slow"}, {"quick", "a"}});
    extensions_->List([this](Json list) { record_.Add(record_.answers, list.dump()); });
    Call("quick", "echo", "1");
    record_.WaitFor(record_.answers, 1);
    EXPECT_EQ(record_.answers[0], "1");
    gate.Open();
    record_.WaitFor(record_.answers, 2);
    EXPECT_EQ(Json::parse(record_.answers[1]),
              Json::parse(R"([{"name":"slow","loaded":true,"reason":null},
                              {"name":"quick","loaded":true,"reason":null}])"));
}

// Nothing thrown on the program's side of a reply or an event unwinds into the extension.
TEST_F(ExtensionsTest, WhatThrowsInAnAnswerOrAnEventIsLoggedAndTheCallAnswered) {
    eventsThrow_ = true;
    Start({{"e", "a"}});
    bool thrown = false;
    extensions_->Call("e", "echo", "1", [&](Outcome<Json> outcome) {
        if (!std::exchange(thrown, true)) {
            throw std::bad_alloc();
        }
        record_.Add(record_.answers, Describe(outcome));
    });
    Call("e", "emit", "2");
    record_.WaitFor(record_.answers, 2);
    EXPECT_EQ(record_.answers,
              (std::vector<std::string>{"ExtensionError: the program could not take the "
                                        "extension \"e\"'s answer to echo",
                                        "null"}));
    record_.WaitFor(record_.log, 3);
    EXPECT_EQ(record_.log[1], "extension \"e\" could not be served in its reply: std::bad_alloc");
    EXPECT_EQ(record_.log[2], "extension \"e\" could not be served in its event: std::bad_alloc");
}

TEST_F(ExtensionsTest, UnloadComesAfterTheCallsAndAbandonsWhatIsUnanswered) {
    Start({{"e", "a"}});
    Call("e", "keep");
    Call("e", "echo", "2");
    extensions_.reset();
    EXPECT_EQ(fakes_["a"].calls, (std::vector<std::string>{"keep null", "echo 2"}));
    EXPECT_EQ(record_.answers, std::vector<std::string>{"2"});
    EXPECT_EQ(record_.log.back(), "extension \"e\" never answered call 1 (keep)");
    EXPECT_NE(fakes_["a"].unloadThread, std::thread::id());
    EXPECT_TRUE(gone_["a"]);
}

TEST_F(ExtensionsTest, OnlyThisPlatformsExtensionsExist) {
    ExtensionEntry windowsOnly{u"win", {{"windows-x64", u"w.dll"}}};
    extensions_ = std::make_unique<Extensions>(std::vector{windowsOnly}, u"/app/", "linux-x64",
                                               ExtensionHooks{});
    EXPECT_EQ(Listed(), Json::array());
    Call("win", "echo");
    record_.WaitFor(record_.answers, 1);
    EXPECT_EQ(record_.answers[0], "NotFound: there is no extension \"win\"");
}

}  // namespace
}  // namespace tessaly
