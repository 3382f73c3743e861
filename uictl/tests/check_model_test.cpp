// The tri-state check model and the conversion of a folder selection into a
// job's sources, without any widget.
#include <algorithm>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "uictl/check_model.h"
#include "uictl/folder_selection.h"

using namespace uictl;
using brim::SourceData;
using brim::SourceType;

namespace {

// /r with folders a (files a1, a2; folder a/x with file x1) and b (file b1)
// and the files f1, f2.
struct SmallTree {
    CheckModel model;
    NodeId r, a, x, b;
    SmallTree() {
        r = model.add_root(local_volume, u"/r", true);
        a = model.add_child(r, local_folder, u"a", true);
        x = model.add_child(a, local_folder, u"x", true);
        b = model.add_child(r, local_folder, u"b", true);
        model.add_file(r, {u"f1"});
        model.add_file(r, {u"f2"});
        model.add_file(a, {u"a1"});
        model.add_file(a, {u"a2"});
        model.add_file(x, {u"x1"});
        model.add_file(b, {u"b1"});
        for (const NodeId id : {r, a, x, b}) model.set_listed(id);
    }
    int state(NodeId id) const { return model.node(id).state; }
    std::vector<SourceData> sources() const {
        SourceNaming naming;
        naming.container_path = [this](NodeId id) {
            bk::String path;
            for (const auto& piece : model.path_pieces(id)) path += (path.empty() ? u"" : u"/") + piece;
            return path;
        };
        naming.file_path = [naming](NodeId id, const bk::String& name) { return naming.container_path(id) + u"/" + name; };
        return selection_to_sources(model, naming);
    }
};

SourceData dir(bk::String path, bool recursive = true) { return {std::move(path), SourceType::directory, recursive}; }
SourceData file(bk::String path) { return {std::move(path), SourceType::file, false}; }

}  // namespace

// The three cases the controls are known for.
TEST(CheckModelEdgeCases, FileOfSelectedFolderUnselectedLeavesPartlySelectedFolder) {
    SmallTree t;
    t.model.click(t.r);
    t.model.set_file_state(t.r, 0, true);  // already selected: nothing changes
    EXPECT_EQ(t.state(t.r), selected);
    EXPECT_EQ(t.sources(), std::vector<SourceData>{dir(u"/r")});

    t.model.click_file(t.r, 0);
    EXPECT_EQ(t.state(t.r), partly_selected);
    EXPECT_EQ(t.state(t.a), selected);
    EXPECT_EQ(t.sources(), (std::vector<SourceData>{dir(u"/r/a"), dir(u"/r/b"), file(u"/r/f2")}));
}

TEST(CheckModelEdgeCases, SelectingEverythingOneByOneSelectsTheFolder) {
    SmallTree t;
    t.model.click(t.a);
    EXPECT_EQ(t.state(t.r), partly_selected);
    t.model.click(t.b);
    t.model.click_file(t.r, 0);
    EXPECT_EQ(t.state(t.r), partly_selected);
    t.model.click_file(t.r, 1);
    EXPECT_EQ(t.state(t.r), selected);
    EXPECT_EQ(t.model.selection(), std::vector<NodeId>{t.r});
    EXPECT_EQ(t.sources(), std::vector<SourceData>{dir(u"/r")});
}

TEST(CheckModelEdgeCases, EmptySelectionGivesNoSources) {
    SmallTree t;
    EXPECT_FALSE(t.model.has_selection());
    EXPECT_TRUE(t.sources().empty());
    t.model.click(t.x);
    t.model.click(t.x);
    EXPECT_FALSE(t.model.has_selection());
    EXPECT_TRUE(t.sources().empty());
    EXPECT_EQ(t.state(t.r), not_selected);
}

// A click sequence and the states and sources it leaves.
struct PropagationCase {
    const char* name;
    std::vector<std::pair<char, int>> clicks;  // 'n' node (r a x b by index), 'f' file of r (index)
    std::vector<int> states;                  // r a x b
    std::vector<SourceData> sources;
};

void PrintTo(const PropagationCase& c, std::ostream* os) { *os << c.name; }

class CheckModelPropagation : public testing::TestWithParam<PropagationCase> {};

TEST_P(CheckModelPropagation, LeavesStatesAndSources) {
    const auto& c = GetParam();
    SmallTree t;
    const NodeId nodes[] = {t.r, t.a, t.x, t.b};
    for (const auto& [what, index] : c.clicks) {
        if (what == 'n') t.model.click(nodes[index]);
        if (what == 'a') t.model.click_file(t.a, static_cast<std::size_t>(index));
        if (what == 'x') t.model.click_file(t.x, static_cast<std::size_t>(index));
        if (what == 'p') t.model.set_state(nodes[index], partly_selected);
    }
    std::vector<int> states;
    for (const NodeId id : nodes) states.push_back(t.state(id));
    EXPECT_EQ(states, c.states);
    EXPECT_EQ(t.sources(), c.sources);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckModelPropagation,
    testing::Values(
        PropagationCase{"deep_folder_makes_ancestors_partly", {{'n', 2}},
                        {partly_selected, partly_selected, selected, not_selected}, {dir(u"/r/a/x")}},
        PropagationCase{"deep_file_makes_ancestors_partly", {{'x', 0}},
                        {partly_selected, partly_selected, selected, not_selected}, {dir(u"/r/a/x")}},
        PropagationCase{"file_of_folder", {{'a', 1}},
                        {partly_selected, partly_selected, not_selected, not_selected}, {file(u"/r/a/a2")}},
        PropagationCase{"unselecting_deep_file_unselects_upwards",
                        {{'n', 0}, {'x', 0}},
                        {partly_selected, partly_selected, not_selected, selected},
                        {file(u"/r/a/a1"), file(u"/r/a/a2"), dir(u"/r/b"), file(u"/r/f1"), file(u"/r/f2")}},
        PropagationCase{"reselecting_restores_the_whole", {{'n', 0}, {'x', 0}, {'x', 0}},
                        {selected, selected, selected, selected}, {dir(u"/r")}},
        PropagationCase{"click_on_partly_selects_all", {{'a', 0}, {'n', 0}},
                        {selected, selected, selected, selected}, {dir(u"/r")}},
        PropagationCase{"unselecting_the_last_piece_unselects_upwards", {{'a', 0}, {'a', 0}},
                        {not_selected, not_selected, not_selected, not_selected}, {}},
        PropagationCase{"folder_alone_keeps_itself_when_its_content_goes", {{'p', 1}, {'a', 0}, {'a', 0}},
                        {partly_selected, partly_selected, not_selected, not_selected}, {dir(u"/r/a", false)}},
        PropagationCase{"folder_alone", {{'p', 1}},
                        {partly_selected, partly_selected, not_selected, not_selected}, {dir(u"/r/a", false)}},
        PropagationCase{"folder_alone_under_selected_parent", {{'n', 0}, {'p', 1}},
                        {partly_selected, partly_selected, not_selected, selected},
                        {dir(u"/r/a", false), dir(u"/r/b"), file(u"/r/f1"), file(u"/r/f2")}},
        PropagationCase{"unselect_root_clears_all", {{'n', 2}, {'n', 3}, {'n', 0}, {'n', 0}},
                        {not_selected, not_selected, not_selected, not_selected}, {}}),
    [](const testing::TestParamInfo<PropagationCase>& info) { return std::string(info.param.name); });

TEST(CheckModel, NodesWithoutCheckBoxStopTheWalkAndIgnoreClicks) {
    CheckModel model;
    const NodeId servers = model.add_root(ftp_servers, u"servers", false);
    const NodeId server = model.add_child(servers, ftp_server, u"host", true);
    model.click(servers);
    EXPECT_EQ(model.node(servers).state, no_check_box);
    EXPECT_EQ(model.node(server).state, not_selected);
    model.click(server);
    EXPECT_EQ(model.node(servers).state, no_check_box);
    EXPECT_EQ(model.node(servers).selected_children, 0u);
    EXPECT_EQ(model.selection(), std::vector<NodeId>{server});
}

TEST(CheckModel, LateListingTakesTheContainersState) {
    CheckModel model;
    const NodeId root = model.add_root(local_volume, u"/", true);
    const NodeId on = model.add_child(root, local_folder, u"on", true);
    const NodeId off = model.add_child(root, local_folder, u"off", true);
    model.set_listed(root);
    model.click(on);
    // Listed after the click: the selected folder's content comes selected.
    const NodeId inner = model.add_child(on, local_folder, u"inner", true);
    model.add_file(on, {u"f"});
    model.add_file(off, {u"g"});
    EXPECT_EQ(model.node(inner).state, selected);
    EXPECT_TRUE(model.node(on).files[0].is_selected());
    EXPECT_FALSE(model.node(off).files[0].is_selected());
    EXPECT_TRUE(model.node(on).everything_counted());
    // Unselecting what came late is counted like anything else.
    model.click(inner);
    EXPECT_EQ(model.node(on).state, partly_selected);
    EXPECT_EQ(model.node(root).state, partly_selected);
}

TEST(CheckModel, UnlistedContainerIsNotMadeWholeByWhatIsKnownOfIt) {
    CheckModel model;
    const NodeId root = model.add_root(local_volume, u"/", true);
    const NodeId known = model.add_child(root, local_folder, u"known", true);
    model.add_file(root, {u"f"});
    // Only part of the root is known yet: selecting all of that part
    // selects the part, not the root.
    model.click(known);
    model.click_file(root, 0);
    EXPECT_EQ(model.node(root).state, partly_selected);
    // The listing finds nothing more: now it is whole.
    model.set_listed(root);
    EXPECT_EQ(model.node(root).state, selected);
    EXPECT_EQ(model.selection(), std::vector<NodeId>{root});
}

TEST(CheckModel, NotifiesChangedNodesFilesAndSelection) {
    SmallTree t;
    std::set<NodeId> nodes, files;
    int selections = 0;
    t.model.node_changed = [&](NodeId id) { nodes.insert(id); };
    t.model.files_changed = [&](NodeId id) { files.insert(id); };
    t.model.selection_changed = [&] { ++selections; };
    t.model.click(t.a);
    EXPECT_EQ(nodes, (std::set<NodeId>{t.r, t.a, t.x}));
    EXPECT_EQ(files, (std::set<NodeId>{t.a, t.x}));
    EXPECT_EQ(selections, 1);
}

// Random trees, random clicks, and every count, state and the selection
// compared with a recount from the leaves up.
namespace {

struct RandomTree {
    CheckModel model;
    explicit RandomTree(std::mt19937& rng) {
        std::uniform_int_distribution<int> fan(0, 3), files(0, 3), check(0, 9);
        model.add_root(ftp_servers, u"top", check(rng) != 0);
        std::vector<std::pair<NodeId, int>> open{{0, 0}};
        while (!open.empty()) {
            const auto [id, depth] = open.back();
            open.pop_back();
            for (int f = files(rng); f > 0; --f) model.add_file(id, {u"f"});
            if (depth >= 4) continue;
            for (int c = fan(rng); c > 0; --c) {
                const bool checkable = check(rng) != 0;  // one in ten has no check box
                open.push_back({model.add_child(id, local_folder, u"d", checkable), depth + 1});
            }
        }
        // One container in ten stays unlisted.
        for (NodeId id = 0; id < model.size(); ++id)
            if (check(rng) != 0) model.set_listed(id);
    }
};

void expect_consistent(const CheckModel& model, const std::string& where) {
    std::set<NodeId> expected_selection;
    for (NodeId id = 0; id < model.size(); ++id) {
        const CheckNode& node = model.node(id);
        if (node.state == no_check_box) continue;
        std::uint32_t children = 0, files = 0, pending = 0;
        bool any_content = false;
        for (const NodeId child : node.children) {
            const int s = model.node(child).state;
            children += s == selected;
            pending += s == partly_selected;
            any_content |= s == selected || s == partly_selected;
        }
        for (const auto& file : node.files) files += file.is_selected();
        any_content |= files > 0;
        const std::string at = where + " node " + std::to_string(id);
        ASSERT_EQ(node.selected_children, children) << at;
        ASSERT_EQ(node.selected_files, files) << at;
        ASSERT_EQ(node.pending, pending) << at;
        // Children without a check box are never counted.
        std::uint32_t countable = 0;
        for (const NodeId child : node.children) countable += model.node(child).state != no_check_box;
        ASSERT_EQ(node.child_total(), countable) << at;
        const bool whole = children == countable && files == node.file_total();
        // An unlisted container is never made whole by what is known of it.
        if (countable + node.file_total() > 0 && node.listed) {
            ASSERT_EQ(node.state == selected, whole) << at;
        }
        if (countable + node.file_total() > 0 && node.state == selected) {
            ASSERT_TRUE(whole) << at;
        }
        if (node.state == selected) {
            for (const NodeId child : node.children) {
                const int s = model.node(child).state;
                ASSERT_TRUE(s == selected || s == no_check_box) << at;
            }
        }
        if (any_content) {
            ASSERT_NE(node.state, not_selected) << at;
        }
        if (node.state == partly_selected && !node.alone) {
            ASSERT_TRUE(any_content) << at;
        }
        const bool parent_selected = node.parent != no_node && model.node(node.parent).state == selected;
        if ((node.state == selected || node.state == partly_selected) && !parent_selected)
            expected_selection.insert(id);
    }
    const auto& selection = model.selection();
    ASSERT_EQ(std::set<NodeId>(selection.begin(), selection.end()), expected_selection) << where;
    ASSERT_EQ(std::set<NodeId>(selection.begin(), selection.end()).size(), selection.size()) << where;
}

}  // namespace

TEST(CheckModelRandom, PropagationMatchesRecountFromTheLeaves) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        RandomTree tree(rng);
        CheckModel& model = tree.model;
        std::uniform_int_distribution<NodeId> pick(0, model.size() - 1);
        std::uniform_int_distribution<int> action(0, 9);
        for (int step = 0; step < 60; ++step) {
            const NodeId id = pick(rng);
            const int a = action(rng);
            const auto& files = model.node(id).files;
            if (a == 0) {
                model.set_state(id, partly_selected);
            } else if (a < 5 || files.empty()) {
                model.click(id);
            } else {
                model.click_file(id, std::uniform_int_distribution<std::size_t>(0, files.size() - 1)(rng));
            }
            expect_consistent(model, "seed " + std::to_string(seed) + " step " + std::to_string(step));
            if (testing::Test::HasFatalFailure()) return;
        }
    }
}
