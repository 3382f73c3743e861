#pragma once
// Runs a function on the thread of a GUI-thread object and waits for its
// result: how a run's worker asks the user something. On that thread
// already, the function runs at once.
#include <type_traits>

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace app {

template <typename Function>
auto on_gui_thread(QObject* context, Function&& function) -> std::invoke_result_t<Function&> {
    using Result = std::invoke_result_t<Function&>;
    if (QThread::currentThread() == context->thread()) return function();
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(context, [&] { function(); }, Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(context, [&] { result = function(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

}  // namespace app
