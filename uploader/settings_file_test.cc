#include "uploader/settings_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "text/primitives.h"
#include "uploader/controls.h"
#include "uploader/profile_ini.h"
#include "uploader/testing/fake_window.h"
#include "uploader/testing/temp_dir.h"

namespace quillon {
namespace {

using testing::FakeWindow;
using testing::read_file_bytes;
using testing::TempDir;
using testing::write_file_bytes;

const std::string kQuoteToken = "#\xD2\xFD\xBA\xC5";  // #引号

TEST(SettingsFile, ValuesAreEncodedOnSaveAndDecodedOnLoad) {
  const struct {
    std::string typed;
    std::string stored;
    std::string loaded;
  } cases[] = {
      {"a\"b\r\ncd", "a" + kQuoteToken + "b><br><cd", "a\"b\r\ncd"},
      // The encoding is not escaped itself: its tokens come back decoded.
      {"x><br><y", "x><br><y", "x\r\ny"},
      {"q" + kQuoteToken, "q" + kQuoteToken, "q\""},
      {"C:\\\xCD\xBC\\a b.png", "C:\\\xCD\xBC\\a b.png", "C:\\\xCD\xBC\\a b.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    TempDir dir;
    const Text path = dir.text("config.ini");
    FakeWindow saved;
    saved.set_field_text(kSiteBox, Text(c.typed));
    EXPECT_EQ(save_edit_boxes(saved, path), 4);
    EXPECT_EQ(read_profile_string(kSettingsSection, kSiteBox, path), Text(c.stored));

    FakeWindow loaded;
    EXPECT_EQ(load_edit_boxes(loaded, path), 4);
    EXPECT_EQ(loaded.field_text(kSiteBox), Text(c.loaded));
  }
}

TEST(SettingsFile, NewFileHoldsKeysInEditBoxOrder) {
  TempDir dir;
  const std::string name = dir.file("config.ini");
  const std::string zeros(10240, '\0');
  write_file_bytes(name, zeros);
  FakeWindow window;
  window.set_field_text(kSiteBox, Text("http://f"));
  window.set_field_text(kAccountBox, Text("me"));
  window.set_field_text(kPasswordBox, Text("secret"));
  window.set_field_text(kFileBox, Text("/p.png"));
  save_edit_boxes(window, dir.text("config.ini"));
  EXPECT_EQ(read_file_bytes(name), zeros + "[" + kSettingsSection.str() + "]\r\n" +
                                       kPasswordBox.str() + "=secret\r\n" + kAccountBox.str() +
                                       "=me\r\n" + kSiteBox.str() + "=http://f\r\n" +
                                       kFileBox.str() + "=/p.png\r\n");
}

TEST(SettingsFile, EmptyTextIsWrittenButDoesNotOverwriteOnLoad) {
  TempDir dir;
  const Text path = dir.text("config.ini");
  FakeWindow saved;
  saved.set_field_text(kAccountBox, Text("me"));
  save_edit_boxes(saved, path);
  EXPECT_NE(read_file_bytes(dir.file("config.ini")).find(kSiteBox.str() + "=\r\n"), std::string::npos);

  FakeWindow loaded;
  loaded.set_field_text(kSiteBox, Text("from definition"));
  load_edit_boxes(loaded, path);
  EXPECT_EQ(loaded.field_text(kSiteBox), Text("from definition"));
  EXPECT_EQ(loaded.field_text(kAccountBox), Text("me"));
}

TEST(SettingsFile, MissingFileLeavesEveryBox) {
  TempDir dir;
  FakeWindow window;
  window.set_field_text(kFileBox, Text("kept"));
  EXPECT_EQ(load_edit_boxes(window, dir.text("absent.ini")), 4);
  EXPECT_EQ(window.field_text(kFileBox), Text("kept"));
  EXPECT_EQ(window.field_text(kSiteBox), Text());
}

TEST(SettingsFile, ExclusionsCompareWholeNames) {
  const struct {
    Text exclusions;
    Text name;
    bool expect;
  } cases[] = {
      {Text(), kPasswordBox, true},
      {text_concat(kPasswordBox, Text("|"), kFileBox), kPasswordBox, false},
      {text_concat(kPasswordBox, Text("|"), kFileBox), kFileBox, false},
      {text_concat(kPasswordBox, Text("|"), kFileBox), kSiteBox, true},
      {kSettingsSection, kPasswordBox, true},
      {Text("|"), Text(), false},  // "|" lists one empty name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exclusions.str() + " / " + c.name.str());
    EXPECT_EQ(name_not_excluded(c.exclusions, c.name), c.expect);
  }

  TempDir dir;
  const Text path = dir.text("config.ini");
  FakeWindow window;
  window.set_field_text(kPasswordBox, Text("pw"));
  window.set_field_text(kSiteBox, Text("site"));
  window.set_field_text(kFileBox, Text("file"));
  save_edit_boxes(window, path, text_concat(kPasswordBox, Text("|"), kFileBox));
  const std::string written = read_file_bytes(dir.file("config.ini"));
  EXPECT_EQ(written.find(kPasswordBox.str()), std::string::npos);
  EXPECT_EQ(written.find(kFileBox.str()), std::string::npos);
  EXPECT_EQ(read_profile_string(kSettingsSection, kSiteBox, path), Text("site"));
}

TEST(SettingsFile, NonAsciiPathNamesTheUtf8File) {
  TempDir dir;
  // 设置.ini in code page 936; on disk the name is UTF-8.
  const Text path(dir.path() + "/\xC9\xE8\xD6\xC3.ini");
  FakeWindow window;
  window.set_field_text(kSiteBox, Text("s"));
  save_edit_boxes(window, path);
  EXPECT_TRUE(std::filesystem::exists(dir.file("\xE8\xAE\xBE\xE7\xBD\xAE.ini")));
  EXPECT_TRUE(is_existing_file(path));
}

TEST(SettingsFile, RunDirectoryHoldsTheProgram) {
  const Text run = run_directory();
  EXPECT_TRUE(is_directory(run));
  EXPECT_TRUE(is_existing_file(text_concat(run, Text("/settings_file_test"))));
  EXPECT_EQ(settings_file(), text_concat(run, Text("/config.ini")));
}

TEST(SettingsFile, EmptyPathUsesDefaultPathAndMakesItsFolder) {
  const std::string data_dir = std::string(run_directory().str()) + "/data";
  const bool existed = std::filesystem::exists(data_dir);
  const Text expected = text_concat(run_directory(), Text("/data/setsoft.ini"));
  std::filesystem::remove(expected.str());

  FakeWindow saved;
  saved.set_field_text(kAccountBox, Text("default"));
  save_edit_boxes(saved, Text());
  EXPECT_TRUE(std::filesystem::is_directory(data_dir));
  EXPECT_EQ(read_profile_string(kSettingsSection, kAccountBox, expected), Text("default"));
  FakeWindow loaded;
  load_edit_boxes(loaded, Text());
  EXPECT_EQ(loaded.field_text(kAccountBox), Text("default"));
  EXPECT_EQ(default_settings_path(), expected);

  std::filesystem::remove(expected.str());
  if (!existed) std::filesystem::remove(data_dir);
}

TEST(SettingsFile, FileAndDirectoryTests) {
  TempDir dir;
  write_file_bytes(dir.file("f"), "x");
  const struct {
    Text path;
    bool file;
    bool directory;
  } cases[] = {
      {dir.text("f"), true, false},
      {Text(dir.path()), false, true},
      {dir.text("missing"), false, false},
      {Text(), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.str());
    EXPECT_EQ(is_existing_file(c.path), c.file);
    EXPECT_EQ(is_directory(c.path), c.directory);
    EXPECT_EQ(has_directory_attribute(c.path), c.directory);
  }
}

TEST(SettingsFile, ParentDirectory) {
  TempDir dir;
  const struct {
    Text path;
    Text expect;
  } cases[] = {
      {Text("/x/y.ini"), Text("/x/")},
      {Text("name.ini"), Text()},
      {Text(dir.path()), Text(dir.path())},  // a directory is its own parent here
      {dir.text("a.ini"), Text(dir.path() + "/")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.str());
    EXPECT_EQ(parent_directory(c.path), c.expect);
  }
}

TEST(SettingsFile, MakeDirectoriesCreatesEachFolderAlongThePath) {
  TempDir dir;
  make_directories(dir.text("a/b/c"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("a/b/c")));
  make_directories(dir.text("d/e/"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("d/e")));
  // Existing folders along the way are no obstacle.
  make_directories(dir.text("a/b/c/d"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("a/b/c/d")));
  // A file in the way stops nothing but its own branch.
  write_file_bytes(dir.file("file"), "x");
  make_directories(dir.text("file/sub"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("file/sub")));
  // Paths of fewer than three characters are never created.
  std::filesystem::remove("zq");
  make_directories(Text("zq"));
  EXPECT_FALSE(std::filesystem::exists("zq"));
}

TEST(SettingsFile, CreateSizedFile) {
  TempDir dir;
  const std::string existing = dir.file("big.ini");
  write_file_bytes(existing, std::string(20000, 'a'));
  EXPECT_EQ(create_sized_file(dir.text("big.ini"), 10240), 1);
  EXPECT_EQ(read_file_bytes(existing), std::string(10240, 'a'));

  // A new file in folders that do not exist yet: they are made, and the file
  // holds nothing but zero bytes.
  EXPECT_EQ(create_sized_file(dir.text("new/sub/config.ini"), 10240), 1);
  EXPECT_EQ(read_file_bytes(dir.file("new/sub/config.ini")), std::string(10240, '\0'));

  // A directory cannot be opened for writing; it is left alone.
  EXPECT_EQ(create_sized_file(Text(dir.path()), 10), EISDIR);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
  // A size that cannot be set removes the file again.
  EXPECT_EQ(create_sized_file(dir.text("negative.ini"), -1), EINVAL);
  EXPECT_FALSE(std::filesystem::exists(dir.file("negative.ini")));
}

}  // namespace
}  // namespace quillon
