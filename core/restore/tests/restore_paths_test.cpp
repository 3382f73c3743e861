#include "core/restore/restore_paths.h"

#include <gtest/gtest.h>

#include "core/restore/restore_option.h"

namespace brim::restore {
namespace {

// A catalogue tree as a set holds it: folders by their full path, files by name.
struct Tree {
    Tree() : root(ItemKind::directory, u"") {
        DataHeader& src = root.add_directory(std::make_unique<DataHeader>(ItemKind::directory, u"/home/u/src"));
        sub = &src.add_directory(std::make_unique<DataHeader>(ItemKind::directory, u"/home/u/src/a b"));
        file = &sub->add_file(std::make_unique<DataHeader>(ItemKind::file, u"f.txt"));
        top = &src;
        lone = &root.add_file(std::make_unique<DataHeader>(ItemKind::file, u"/etc/hosts"));
    }
    DataHeader root;
    DataHeader *top, *sub, *file, *lone;
};

TEST(RestorePaths, EachLayoutPlacesSelectedItems) {
    Tree tree;
    struct Case {
        std::uint32_t option;
        const DataHeader* item;
        const char16_t* target;
        const char16_t* expected;
    } cases[] = {
        {0, tree.top, u"/t", u"/t/src"},
        {0, tree.file, u"/t", u"/t/f.txt"},
        {0, tree.lone, u"/t", u"/t/hosts"},
        {restore_option::keep_structure, tree.top, u"/t", u"/t/home/u/src"},
        {restore_option::keep_structure, tree.file, u"/t", u"/t/home/u/src/a b/f.txt"},
        {restore_option::keep_structure | restore_option::flatten, tree.lone, u"/t", u"/t/etc/hosts"},
        {restore_option::flatten, tree.top, u"/t", u"/t"},
        {restore_option::flatten, tree.file, u"/t", u"/t/f.txt"},
        {0, tree.top, u"", u"/home/u/src"},
        {0, tree.file, u"", u"/home/u/src/a b/f.txt"},
        {0, tree.lone, u"", u"/etc/hosts"},
    };
    for (const auto& c : cases) {
        const auto where = place_selected(*c.item, c.target, layout_for(c.target, c.option));
        ASSERT_TRUE(where);
        EXPECT_EQ(where->path(), c.expected);
    }
    const auto sub = place_child(*tree.sub, *tree.top, *place_selected(*tree.top, u"/t", Layout::relative), Layout::relative);
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->path(), u"/t/src/a b");
    EXPECT_EQ(place_child(*tree.sub, *tree.top, Destination{u"/t", {}}, Layout::flat)->path(), u"/t");
}

TEST(RestorePaths, NamesThatLeaveTheTargetArePlacedNowhere) {
    DataHeader root(ItemKind::directory, u"");
    DataHeader& dir = root.add_directory(std::make_unique<DataHeader>(ItemKind::directory, u"/s"));
    const Destination at{u"/t", {u"s"}};
    for (const char16_t* name : {u"../x", u"..", u".", u"a/b", u"", u"x\0y"}) {
        const bk::String text = name == std::u16string_view(u"x\0y") ? bk::String(u"x\0y", 3) : bk::String(name);
        DataHeader file(ItemKind::file, text);
        EXPECT_FALSE(place_child(file, dir, at, Layout::relative)) << bk::String(name).size();
    }
    for (const char16_t* path : {u"/s/../../etc", u"/other", u"/s", u"/sx/y", u"/s/./y"}) {
        DataHeader sub(ItemKind::directory, path);
        EXPECT_FALSE(place_child(sub, dir, at, Layout::full_path));
    }
    for (const char16_t* path : {u"/../../etc", u"relative/x", u"/a/../b"}) {
        DataHeader top(ItemKind::directory, path);
        EXPECT_FALSE(place_selected(top, u"", Layout::original));
    }
    DataHeader escaping(ItemKind::directory, u"/../../etc");
    EXPECT_FALSE(place_selected(escaping, u"/t", Layout::full_path));
}

}  // namespace
}  // namespace brim::restore
