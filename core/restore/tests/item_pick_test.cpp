#include "core/restore/item_pick.h"

#include <gtest/gtest.h>

namespace brim::restore {
namespace {

enum class Copy { whole, partial, failed, absent };

// A set whose runs each hold /src/f in the given state (and /src/g, whole,
// in every run).
struct Runs {
    explicit Runs(std::initializer_list<Copy> copies) {
        for (const Copy copy : copies) {
            archive::RunLayout run;
            run.root = std::make_unique<DataHeader>(ItemKind::directory, u"");
            DataHeader& src = run.root->add_directory(std::make_unique<DataHeader>(ItemKind::directory, u"/src"));
            g.push_back(&add(src, u"g", Copy::whole));
            f.push_back(copy == Copy::absent ? nullptr : &add(src, u"f", copy));
            layout.runs.push_back(std::move(run));
        }
    }
    static DataHeader& add(DataHeader& folder, const char16_t* name, Copy copy) {
        auto file = std::make_unique<DataHeader>(ItemKind::file, name);
        file->stored_size = copy == Copy::failed ? 0 : 100;
        file->data_flag = copy == Copy::whole ? archive::data_valid : archive::data_unusable;
        return folder.add_file(std::move(file));
    }
    std::vector<const DataHeader*> roots() const {
        std::vector<const DataHeader*> all;
        for (const auto& run : layout.runs) all.push_back(run.root.get());
        return all;
    }
    archive::SetLayout layout;
    std::vector<const DataHeader*> f, g;
};

TEST(ItemPick, TakesTheNewestCopyStoredWholeAndEachFileOnce) {
    struct Case {
        std::initializer_list<Copy> runs;
        int chosen;  // the run (0 the oldest) whose copy of f is written
    };
    const Case cases[] = {
        {{Copy::whole, Copy::whole}, 1},
        {{Copy::whole, Copy::partial}, 0},           // a stopped increment
        {{Copy::whole, Copy::failed}, 0},            // unreadable in the newer run
        {{Copy::whole, Copy::partial, Copy::absent}, 0},
        {{Copy::failed, Copy::partial}, 1},          // nothing whole: the newest, to report it
        {{Copy::partial, Copy::whole, Copy::partial}, 1},
    };
    for (const auto& c : cases) {
        Runs runs(c.runs);
        ItemPick pick(runs.layout, runs.roots());
        for (std::size_t i = 0; i < runs.f.size(); ++i) {
            if (runs.f[i] == nullptr) continue;
            EXPECT_EQ(pick.chosen(*runs.f[i]), static_cast<int>(i) == c.chosen) << "run " << i;
            EXPECT_EQ(pick.chosen(*runs.g[i]), i + 1 == runs.g.size()) << "g in run " << i;
        }
        const DataHeader& f = *runs.f[static_cast<std::size_t>(c.chosen)];
        EXPECT_TRUE(pick.take(f));
        EXPECT_FALSE(pick.take(f));  // selected twice, written once
    }
}

TEST(ItemPick, CopyStatesFollowTheDataFlagAndTheBytesKept) {
    Runs runs({Copy::whole});
    archive::RunHeader archive_run, copy_run;
    copy_run.has_copy_root = true;
    DataHeader file(ItemKind::file, u"f");
    file.stored_size = 100;
    EXPECT_EQ(copy_state(file, archive_run), CopyState::whole);
    file.data_flag = archive::data_unusable;
    EXPECT_EQ(copy_state(file, archive_run), CopyState::partial);
    EXPECT_EQ(copy_state(file, copy_run), CopyState::failed);
    file.stored_size = 0;
    EXPECT_EQ(copy_state(file, archive_run), CopyState::failed);
    EXPECT_EQ(run_of(runs.layout, *runs.f[0]), &runs.layout.runs[0]);
    EXPECT_EQ(run_of(runs.layout, file), nullptr);
}

}  // namespace
}  // namespace brim::restore
