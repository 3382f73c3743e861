#include "taskplan/task_planner.h"

namespace taskplan {
namespace {

// Stands in until the scheduler binding is installed: no job has a task.
class CEmptyTaskPlanner final : public CTaskPlanner {
public:
    std::unique_ptr<CTask> GetTask(bk::StringView) override { return nullptr; }
};

std::unique_ptr<CTaskPlanner>& installed() {
    static std::unique_ptr<CTaskPlanner> planner;
    return planner;
}

}  // namespace

CTaskPlanner* CTaskPlanner::GetInstance(int /*silent*/) {
    auto& planner = installed();
    if (!planner) planner = std::make_unique<CEmptyTaskPlanner>();
    return planner.get();
}

void CTaskPlanner::DelInstance() {
    installed().reset();
}

void CTaskPlanner::Install(std::unique_ptr<CTaskPlanner> planner) {
    installed() = std::move(planner);
}

}  // namespace taskplan
