#include "browser/main_loop_tasks_gtk.h"

#include "base/program_log.h"

namespace tessaly {
namespace {

// Far more than the page's calls and the extensions' events can have waiting at once, since both
// are bounded before they get here: a list this long means the main thread has stalled.
constexpr std::size_t kCapacity = 131072;
// Per turn of the main loop: a flood drains fast, and a turn still stays well within a frame.
constexpr std::size_t kBatch = 128;

struct TaskSource {
    GSource source;
    UiTaskQueue* queue;
};

}  // namespace

MainLoopTasks::MainLoopTasks()
    : queue_(
          kCapacity,
          [this] {
              // Thread-safe, and wakes the main loop: the source is dispatched once it is ready.
              g_source_set_ready_time(source_, 0);
          },
          WriteLog) {
    // No prepare or check: the ready time alone makes the source ready.
    static GSourceFuncs functions{};
    functions.dispatch = Dispatch;
    source_ = g_source_new(&functions, sizeof(TaskSource));
    reinterpret_cast<TaskSource*>(source_)->queue = &queue_;
    g_source_set_name(source_, "tessaly main loop tasks");
    g_source_attach(source_, nullptr);
}

MainLoopTasks::~MainLoopTasks() {
    g_source_destroy(source_);
    g_source_unref(source_);
}

bool MainLoopTasks::Post(std::function<void()> task) {
    return queue_.Post(std::move(task));
}

void MainLoopTasks::Close() {
    queue_.Close();
}

gboolean MainLoopTasks::Dispatch(GSource* source, GSourceFunc, gpointer) {
    // Not ready again unless woken: a task posted into an empty list from now on, during the
    // batch too, makes it ready once more.
    g_source_set_ready_time(source, -1);
    const bool more = reinterpret_cast<TaskSource*>(source)->queue->RunBatch(kBatch);
    // The first batch goes as soon as input does; what is left of a flood waits for redraw and
    // input each time, so the window never freezes under it.
    g_source_set_priority(source, more ? G_PRIORITY_DEFAULT_IDLE : G_PRIORITY_DEFAULT);
    if (more) {
        g_source_set_ready_time(source, 0);
    }
    return G_SOURCE_CONTINUE;
}

}  // namespace tessaly
