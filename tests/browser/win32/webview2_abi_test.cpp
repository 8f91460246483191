// Checks the hand-written WebView2 declarations against the published ABI facts in
// webview2_abi_facts.txt: every method the facts list for a declared interface, called through
// the declarations, must land on the facts' vtable slot, and every declared interface must carry
// the facts' IID. The build turns the facts into webview2_abi_table.inc; a method the
// declarations lack does not compile.
//
// Each call goes to an object whose vtable is filled with recording functions of the method's
// own signature, so that on 32-bit x86, where the callee pops the arguments, the stack stays
// balanced whichever slot is hit.
#include "webview2/webview2.h"
// The declarations above come first: they bring windows.h.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <utility>

namespace {

std::string IidText(const IID& id) {
    char text[40];
    std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0],
                  id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                  id.Data4[7]);
    return text;
}

constexpr int kSlots = 128;  // more than the largest declared vtable (125)
int g_slotHit = -1;

template <class Method>
struct SlotProbe;

template <class Interface, class... Params>
struct SlotProbe<HRESULT (STDMETHODCALLTYPE Interface::*)(Params...)> {
    template <int Slot>
    static HRESULT STDMETHODCALLTYPE Record(void*, Params...) {
        g_slotHit = Slot;
        return S_OK;
    }

    template <int... Slots>
    static std::array<void*, kSlots> MakeVtable(std::integer_sequence<int, Slots...>) {
        return {reinterpret_cast<void*>(&Record<Slots>)...};
    }

    // The slot that a call of `method` through the declarations of `Declared` reaches.
    template <class Declared>
    static int Call(HRESULT (STDMETHODCALLTYPE Interface::*method)(Params...)) {
        std::array<void*, kSlots> vtable = MakeVtable(std::make_integer_sequence<int, kSlots>());
        struct {
            void** vtable;
        } object{vtable.data()};
        g_slotHit = -1;
        (reinterpret_cast<Declared*>(&object)->*method)(Params{}...);
        return g_slotHit;
    }
};

struct Interface {
    const char* name;
    IID declared;
    const char* published;
};

struct Probe {
    const char* interfaceName;
    const char* methodName;
    int published;
    int (*reached)();
};

TEST(WebView2Declarations, MatchThePublishedAbi) {
#define WEBVIEW2_INTERFACE(I, iid) Interface{#I, __uuidof(I), iid},
#define WEBVIEW2_METHOD(I, M, slot)
    const Interface interfaces[] = {
#include "webview2_abi_table.inc"
    };
#undef WEBVIEW2_INTERFACE
#undef WEBVIEW2_METHOD
#define WEBVIEW2_INTERFACE(I, iid)
#define WEBVIEW2_METHOD(I, M, slot) \
    Probe{#I, #M, slot, [] { return SlotProbe<decltype(&I::M)>::Call<I>(&I::M); }},
    const Probe probes[] = {
#include "webview2_abi_table.inc"
    };
#undef WEBVIEW2_INTERFACE
#undef WEBVIEW2_METHOD

    ASSERT_GT(std::size(interfaces), 30u);
    for (const Interface& i : interfaces) {
        EXPECT_EQ(IidText(i.declared), i.published) << i.name;
    }
    for (const Probe& probe : probes) {
        ASSERT_LT(probe.published, kSlots);
        EXPECT_EQ(probe.reached(), probe.published)
            << probe.interfaceName << "::" << probe.methodName;
    }
}

}  // namespace
