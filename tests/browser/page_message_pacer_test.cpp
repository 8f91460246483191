#include "browser/page_message_pacer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaly {
namespace {

using Texts = std::vector<std::string>;

// Two messages with the engine at once, three waiting.
struct Page {
    Texts delivered;
    Texts log;
    PageMessagePacer pacer{2, 3,
                           [this](const std::string& message) { delivered.push_back(message); },
                           [this](const std::string& line) { log.push_back(line); }};

    void Send(const Texts& messages) {
        for (const std::string& message : messages) {
            pacer.Send(message);
        }
    }
    void Run(int count) {
        for (int i = 0; i < count; ++i) {
            pacer.Delivered();
        }
    }
};

TEST(PageMessagePacerTest, AFewGoAtOnceAndTheRestInOrderAsTheyRun) {
    Page page;
    page.Send({"a", "b", "c", "d", "e"});
    EXPECT_EQ(page.delivered, (Texts{"a", "b"}));
    page.Run(1);
    EXPECT_EQ(page.delivered, (Texts{"a", "b", "c"}));
    page.Run(4);  // all five have run: the next two go at once again
    page.Send({"f", "g", "h"});
    EXPECT_EQ(page.delivered, (Texts{"a", "b", "c", "d", "e", "f", "g"}));
    EXPECT_TRUE(page.log.empty());
}

TEST(PageMessagePacerTest, AFullListDropsWithOneLogLinePerRunOfDropsAndClearDropsWhatWaits) {
    Page page;
    page.Send({"0", "1", "2", "3", "4", "5", "6"});
    ASSERT_EQ(page.log.size(), 1u);
    EXPECT_EQ(page.log[0],
              "the page is 3 messages behind; later ones are dropped until it catches up");
    page.Run(5);
    EXPECT_EQ(page.delivered, (Texts{"0", "1", "2", "3", "4"}));
    page.Send({"a", "b", "c", "d", "e", "f"});  // the list had emptied: a new run is told
    EXPECT_EQ(page.log.size(), 2u);
    page.pacer.Clear();
    page.Run(2);
    EXPECT_EQ(page.delivered, (Texts{"0", "1", "2", "3", "4", "a", "b"}));
}

}  // namespace
}  // namespace tessaly
