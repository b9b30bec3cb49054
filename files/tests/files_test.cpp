// SPDX-License-Identifier: MIT
// A file put in place of another: what the target holds and what is left beside it, when all goes
// well and when a step fails; the system's words for an error number.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>

#include <csignal>
#endif

#include "zarvo_files.h"

namespace {

namespace fs = std::filesystem;
using zarvo::files::Failure;
using zarvo::files::Replacement;
using zarvo::files::Step;
using zarvo::files::SystemError;

#ifdef _WIN32
constexpr SystemError kNoFolder = ERROR_PATH_NOT_FOUND, kFolderInTheWay = ERROR_ACCESS_DENIED;
#else
constexpr SystemError kNoFolder = ENOENT, kFolderInTheWay = EISDIR;
#endif

std::string read(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A folder of its own for each test, removed after it.
class ReplacingAFile : public ::testing::Test {
  protected:
    ReplacingAFile() {
        folder =
            fs::temp_directory_path() / ("zarvo-files-" + std::to_string(std::random_device{}()));
        fs::create_directory(folder);
        target = folder / "file.txt";
    }
    ~ReplacingAFile() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    fs::path folder;
    fs::path target;
};

// Until the commit the target is the old file, and two replacements at once never share a new file.
TEST_F(ReplacingAFile, TheNewBytesTakeThePlaceOfTheOldAndNothingIsLeftBeside) {
    write(target, "an earlier, longer content\r\n");
    Replacement first;
    Replacement second;
    ASSERT_TRUE(first.create(target));
    ASSERT_TRUE(second.create(target));
    EXPECT_NE(first.temporary(), second.temporary());
    EXPECT_EQ(first.temporary().parent_path(), folder);
    ASSERT_TRUE(first.write("one\r\n"));
    ASSERT_TRUE(first.write("two\r\n"));
    EXPECT_EQ(read(target), "an earlier, longer content\r\n");

    ASSERT_TRUE(first.commit());
    EXPECT_EQ(read(target), "one\r\ntwo\r\n");
    second.discard();
    EXPECT_EQ(entries(), std::set<std::string>{"file.txt"});
}

TEST_F(ReplacingAFile, ALinkInTheTargetsPlaceIsReplacedNeverFollowed) {
    write(folder / "elsewhere.txt", "not ours");
    std::error_code error;
    fs::create_symlink("elsewhere.txt", target, error);
    if (error) {
        GTEST_SKIP() << "this system makes no symbolic link: " << error.message();
    }
    Failure failure;
    ASSERT_TRUE(zarvo::files::replace_file(target, "ours", failure));
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(read(target), "ours");
    EXPECT_EQ(read(folder / "elsewhere.txt"), "not ours");
}

// Whatever step fails, the target stays as it was and no new file is left beside it; the failure
// names the step and the system's error. A replacement dropped before its commit is the same.
TEST_F(ReplacingAFile, AFailedOrDroppedReplacementLeavesTheTargetAsItWas) {
    write(target, "old");
    {
        Replacement dropped;
        ASSERT_TRUE(dropped.create(target));
        ASSERT_TRUE(dropped.write("half of a new"));
    }
    EXPECT_EQ(read(target), "old");
    EXPECT_EQ(entries(), std::set<std::string>{"file.txt"});

    Failure failure;
    fs::path tried;
    const fs::path missing = folder / "missing" / "file.txt";
    EXPECT_FALSE(zarvo::files::replace_file(missing, "new", failure, &tried));
    EXPECT_EQ(failure.step, Step::create);
    EXPECT_EQ(tried.parent_path(), missing.parent_path());
    EXPECT_FALSE(fs::exists(folder / "missing"));
    EXPECT_EQ(failure.error, kNoFolder);

    const fs::path directory = folder / "directory";
    fs::create_directory(directory);
    write(directory / "inside.txt", "kept");
    EXPECT_FALSE(zarvo::files::replace_file(directory, "new", failure));
    EXPECT_EQ(failure.step, Step::rename);
    EXPECT_EQ(failure.error, kFolderInTheWay);
    EXPECT_EQ(read(directory / "inside.txt"), "kept");
    EXPECT_EQ(entries(), (std::set<std::string>{"directory", "file.txt"}));

#ifndef _WIN32
    // A file size limit fails a write after a short one; the new file goes at once, not only
    // when the object does.
    Replacement limited;
    ASSERT_TRUE(limited.create(target));
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limit{4, saved.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = limited.write("longer than four");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_EQ(limited.failure().step, Step::write);
    EXPECT_EQ(limited.failure().error, EFBIG);
    EXPECT_EQ(read(target), "old");
    EXPECT_EQ(entries(), (std::set<std::string>{"directory", "file.txt"}));
#endif
}

#ifdef _WIN32
// The words are the system's, with no closing period or line break to clash with the sentence they
// end; the number follows them, and stands alone for a number the system has no words for.
TEST(SystemWords, AreTheSystemsOwnAndEndCleanly) {
    const std::string words = zarvo::files::system_words(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(std::string_view(". \r\n").find(words.back()), std::string_view::npos) << words;
    EXPECT_EQ(zarvo::files::system_reason(ERROR_FILE_NOT_FOUND), words + " (erro 2)");
    const unsigned long unknown = 0x2000ABCD;  // the bit set aside for programs' own codes
    EXPECT_EQ(zarvo::files::system_words(unknown), "");
    EXPECT_EQ(zarvo::files::system_reason(unknown), "erro " + std::to_string(unknown));
}
#endif

}  // namespace
