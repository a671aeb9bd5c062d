// The settings file on disk and the desktop folders behind the persisted settings.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/JsonSettingsStore.h"
#include "settings/QtFileSystem.h"
#include "support/platform/FullDisk.h"
#include "support/platform/SettingsStoreBehaviour.h"

namespace vlx {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

// Sets an environment variable for one scope and puts the old state back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<QByteArray> value)
      : name_(name),
        old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
    value ? qputenv(name, *value) : qunsetenv(name);
  }
  ~ScopedEnv() { old_ ? qputenv(name_, *old_) : qunsetenv(name_); }

 private:
  const char* name_;
  std::optional<QByteArray> old_;
};

}  // namespace

namespace test {

// The settings file for the table every store runs.
class JsonStoreBed {
 public:
  static constexpr const char* kName = "JsonFile";

  std::unique_ptr<SettingsStore> Open() { return std::make_unique<JsonSettingsStore>(path_); }

  std::unique_ptr<SettingsStore> OpenUnwritable() {
    // A file where the settings folder should be.
    WriteAll(dir_.filePath("blocked"), "x");
    return std::make_unique<JsonSettingsStore>(dir_.filePath("blocked/VLX Utility.json"));
  }

  void PutForeign(const std::string& name) {
    QJsonObject root = QJsonDocument::fromJson(ReadAll(path_)).object();
    QJsonObject values = root["values"].toObject();
    values[QString::fromStdString(name)] = QJsonObject{{"type", "binary"}, {"value", "01000000"}};
    root["values"] = values;
    WriteAll(path_, QJsonDocument(root).toJson());
  }

 private:
  QTemporaryDir dir_;
  QString path_ = dir_.filePath("Velqorin/VLX Utility.json");
};

INSTANTIATE_TYPED_TEST_SUITE_P(Json, SettingsStoreBehaviour, ::testing::Types<JsonStoreBed>,
                               SettingsStoreName);

}  // namespace test

namespace {

class JsonSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }

  QStringList AsideFiles() const {
    return QDir(dir.filePath("Velqorin"))
        .entryList({QStringLiteral("VLX Utility.json.corrupt-*")}, QDir::Files);
  }

  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("Velqorin/VLX Utility.json"));
};

TEST_F(JsonSettingsStoreTest, ValuesKeepTheirTypesAcrossRuns) {
  {
    JsonSettingsStore store(path);
    EXPECT_EQ(store.LoadProblem(), "");
    EXPECT_FALSE(store.Read("", "Port"));
    EXPECT_FALSE(QFile::exists(path));  // nothing is written before the first change

    EXPECT_EQ(store.WriteString("", "Port", "/dev/serial/by-id/usb-Zürich"), err::kSuccess);
    EXPECT_EQ(store.WriteDword("", "OperatePollInterval", 4294967295u), err::kSuccess);
    EXPECT_EQ(store.WriteDword("", "Trace", 0), err::kSuccess);
    EXPECT_EQ(store.WriteString("", "CommandText1", ""), err::kSuccess);
    EXPECT_EQ(store.WriteDword("Window", "left", 0xFFFFFFF8u), err::kSuccess);
  }
  JsonSettingsStore store(path);
  EXPECT_EQ(store.LoadProblem(), "");
  const auto port = store.Read("", "Port");
  ASSERT_TRUE(port);
  EXPECT_EQ(port->type, SettingsStore::Type::kString);
  EXPECT_EQ(port->text, "/dev/serial/by-id/usb-Zürich");
  EXPECT_EQ(store.Read("", "OperatePollInterval")->number, 4294967295u);
  EXPECT_EQ(store.Read("", "Trace")->type, SettingsStore::Type::kDword);
  EXPECT_EQ(store.Read("", "CommandText1")->type, SettingsStore::Type::kString);
  EXPECT_EQ(store.Read("Window", "left")->number, 0xFFFFFFF8u);
  EXPECT_FALSE(store.Read("", "left"));

  const QJsonObject root = QJsonDocument::fromJson(ReadAll(path)).object();
  EXPECT_EQ(root["values"]["Trace"]["type"].toString(), "dword");
  EXPECT_EQ(root["subkeys"]["Window"]["left"]["value"].toInteger(), 4294967288);
}

TEST_F(JsonSettingsStoreTest, UnreadableEntriesAreIgnoredButKeptInTheFile) {
  QDir().mkpath(dir.filePath("Velqorin"));
  WriteAll(path, R"({"values": {
      "Trace": {"type": "dword", "value": 1},
      "Port": {"type": "dword", "value": "COM3"},
      "A": {"type": "dword", "value": -1},
      "B": {"type": "dword", "value": 1.5},
      "C": {"type": "dword", "value": 4294967296},
      "D": 5,
      "E": {"type": "binary", "value": "00"},
      "F": {"type": "string", "value": 7}},
    "comment": "kept"})");
  JsonSettingsStore store(path);
  EXPECT_EQ(store.LoadProblem(), "");
  EXPECT_EQ(store.Read("", "Trace")->number, 1u);
  for (const char* name : {"Port", "A", "B", "C", "D", "E", "F"}) {
    EXPECT_FALSE(store.Read("", name)) << name;
  }

  ASSERT_EQ(store.WriteDword("", "Trace", 0), err::kSuccess);
  const QJsonObject root = QJsonDocument::fromJson(ReadAll(path)).object();
  EXPECT_EQ(root["values"]["Port"]["value"].toString(), "COM3");
  EXPECT_EQ(root["comment"].toString(), "kept");
  EXPECT_TRUE(AsideFiles().isEmpty());
}

TEST_F(JsonSettingsStoreTest, CorruptFileMeansDefaultsAndIsKeptAsideBeforeItIsReplaced) {
  const QByteArray contents[] = {"{\"values\": {\"Port\": ", "[1, 2]", "", "{\"values\": []}",
                                 "{\"subkeys\": {\"Window\": 3}}"};
  QDir().mkpath(dir.filePath("Velqorin"));
  const QString folder = dir.filePath("Velqorin");
  for (const QByteArray& content : contents) {
    SCOPED_TRACE(content.toStdString());
    for (const QString& name : QDir(folder).entryList(QDir::Files))
      QFile::remove(folder + "/" + name);
    WriteAll(path, content);

    JsonSettingsStore store(path);
    EXPECT_NE(store.LoadProblem().find(path.toStdString()), std::string::npos);
    EXPECT_FALSE(store.Read("", "Port"));
    EXPECT_EQ(ReadAll(path), content);  // loading alone changes nothing

    ASSERT_EQ(store.WriteString("", "Port", "/dev/ttyS0"), err::kSuccess);
    ASSERT_EQ(store.WriteDword("", "Trace", 1), err::kSuccess);
    const QStringList aside =
        QDir(folder).entryList({QStringLiteral("VLX Utility.json.corrupt-*")}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(QRegularExpression(R"(^VLX Utility\.json\.corrupt-\d{8}-\d{6}$)")
                    .match(aside[0])
                    .hasMatch())
        << aside[0].toStdString();
    EXPECT_EQ(ReadAll(folder + "/" + aside[0]), content);
    EXPECT_EQ(JsonSettingsStore(path).Read("", "Port")->text, "/dev/ttyS0");
  }
}

TEST_F(JsonSettingsStoreTest, ABorrowerLeavesACorruptFileAsItIsAndWritesNothing) {
  QDir().mkpath(dir.filePath("Velqorin"));
  const QByteArray content = "{\"values\": {\"Port\": ";
  WriteAll(path, content);

  JsonSettingsStore store(path, UnusableFile::kLeftAlone);
  EXPECT_FALSE(store.UnusableReason().empty());
  EXPECT_NE(store.WriteString("", "UnfinishedLoadPort", "/dev/ttyUSB0"), err::kSuccess);

  EXPECT_FALSE(store.Read("", "UnfinishedLoadPort"));
  EXPECT_EQ(ReadAll(path), content);
  EXPECT_TRUE(AsideFiles().isEmpty());
}

TEST_F(JsonSettingsStoreTest, FailedWriteReportsAnErrorAndKeepsFileAndValue) {
  {
    JsonSettingsStore store(path);
    ASSERT_EQ(store.WriteString("", "Port", "/dev/ttyUSB0"), err::kSuccess);
  }
  const QByteArray before = ReadAll(path);
  JsonSettingsStore store(path);

  const ErrorCode error =
      test::WhileDiskIsFull([&] { return store.WriteString("", "Port", "/dev/ttyUSB1"); });

  EXPECT_NE(error, err::kSuccess);
  EXPECT_EQ(store.Read("", "Port")->text, "/dev/ttyUSB0");
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(QDir(dir.filePath("Velqorin")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(JsonSettingsStoreTest, ProgramsSharingTheFileKeepEachOthersValues) {
  // Two windows on two amplifiers, or a window and vlxctl, each with what it read at start.
  JsonSettingsStore first(path);
  JsonSettingsStore second(path, UnusableFile::kLeftAlone);
  ASSERT_EQ(first.WriteString("", "Port", "/dev/ttyUSB0"), err::kSuccess);
  ASSERT_EQ(second.WriteString("", "UnfinishedLoadPort", "/dev/ttyUSB1"), err::kSuccess);
  ASSERT_EQ(first.WriteDword("Window", "left", 40), err::kSuccess);
  ASSERT_EQ(second.WriteDword("Window", "top", 30), err::kSuccess);
  ASSERT_EQ(first.WriteString("", "Port", "/dev/ttyUSB2"), err::kSuccess);  // the last one wins

  const JsonSettingsStore third(path);
  EXPECT_EQ(third.Read("", "Port")->text, "/dev/ttyUSB2");
  EXPECT_EQ(third.Read("", "UnfinishedLoadPort")->text, "/dev/ttyUSB1");
  EXPECT_EQ(third.Read("Window", "left")->number, 40u);
  EXPECT_EQ(third.Read("Window", "top")->number, 30u);
  EXPECT_EQ(QDir(dir.filePath("Velqorin")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(JsonSettingsStoreTest, AFileBrokenWhileRunningIsKeptAsideOnlyByTheWindow) {
  {
    JsonSettingsStore setup(path);
    ASSERT_EQ(setup.WriteString("", "Port", "/dev/ttyUSB0"), err::kSuccess);
  }
  JsonSettingsStore window(path);
  JsonSettingsStore borrower(path, UnusableFile::kLeftAlone);
  const QByteArray broken = "{\"values\": ";
  WriteAll(path, broken);

  EXPECT_NE(borrower.WriteDword("", "Trace", 1), err::kSuccess);
  EXPECT_EQ(ReadAll(path), broken);
  EXPECT_TRUE(AsideFiles().isEmpty());

  ASSERT_EQ(window.WriteDword("", "Trace", 1), err::kSuccess);
  ASSERT_EQ(AsideFiles().size(), 1);
  EXPECT_EQ(ReadAll(dir.filePath("Velqorin/" + AsideFiles()[0])), broken);
  // What the window knew is written with its new value, not lost with the broken file.
  const JsonSettingsStore after(path);
  EXPECT_EQ(after.Read("", "Port")->text, "/dev/ttyUSB0");
  EXPECT_EQ(after.Read("", "Trace")->number, 1u);
}

TEST_F(JsonSettingsStoreTest, FolderThatCannotBeCreatedFailsTheWrite) {
  WriteAll(dir.filePath("Velqorin"), "a file where the folder should be");
  JsonSettingsStore store(path);
  EXPECT_EQ(store.WriteDword("", "Trace", 1), err::kAlreadyExists);
  EXPECT_FALSE(store.Read("", "Trace"));
}

TEST(DefaultSettingsPathTest, FollowsAnAbsoluteXdgConfigHomeOnly) {
  const QString home = QDir::homePath() + "/.config/Velqorin/VLX Utility.json";
  {
    ScopedEnv env("XDG_CONFIG_HOME", QByteArray("/srv/cfg"));
    EXPECT_EQ(DefaultSettingsPath(), "/srv/cfg/Velqorin/VLX Utility.json");
  }
  {
    ScopedEnv env("XDG_CONFIG_HOME", QByteArray("relative/cfg"));
    EXPECT_EQ(DefaultSettingsPath(), home);
  }
  ScopedEnv env("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(DefaultSettingsPath(), home);
}

TEST(QtFileSystemTest, CreatesDirectoriesAndReportsWhyNot) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtFileSystem files;
  const std::string root = dir.path().toStdString();

  EXPECT_EQ(files.CreateDirectory(root + "/a"), err::kSuccess);
  EXPECT_TRUE(files.IsDirectory(root + "/a"));
  EXPECT_EQ(files.CreateDirectory(root + "/a"), err::kSuccess);
  EXPECT_EQ(files.CreateDirectory(root + "/missing/b"), err::kPathNotFound);
  WriteAll(dir.filePath("file"), "x");
  EXPECT_EQ(files.CreateDirectory(root + "/file"), err::kAlreadyExists);
  EXPECT_FALSE(files.IsDirectory(root + "/file"));
}

TEST(QtFileSystemTest, ListsEntriesWithTheKindOfWhatLinksLeadTo) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  WriteAll(dir.filePath("file.hex"), "x");
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.hex"));
  ASSERT_TRUE(QFile::link(dir.filePath("file.hex"), dir.filePath("link.hex")));
  ASSERT_TRUE(QFile::link(dir.filePath("gone.hex"), dir.filePath("dangling.hex")));
  QtFileSystem files;

  std::vector<DirectoryEntry> entries;
  ASSERT_EQ(files.ListDirectory(dir.path().toStdString() + "/", entries), err::kSuccess);
  std::map<std::string, EntryKind> kinds;
  for (const DirectoryEntry& entry : entries) {
    kinds[entry.name] = entry.kind;
  }
  const std::map<std::string, EntryKind> expected = {
      {"file.hex", EntryKind::kRegularFile},
      {"folder.hex", EntryKind::kDirectory},
      {"link.hex", EntryKind::kRegularFile},
      {"dangling.hex", EntryKind::kOther},
  };
  EXPECT_EQ(kinds, expected);

  EXPECT_EQ(files.ListDirectory(dir.filePath("missing").toStdString(), entries),
            err::kFileNotFound);
  EXPECT_EQ(files.ListDirectory(dir.filePath("file.hex").toStdString(), entries),
            err::kPathNotFound);
  EXPECT_TRUE(entries.empty());
}

TEST(QtFileSystemTest, UserDataFolderFollowsXdgDataHomeAndIsCreated) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString data = dir.filePath("share");
  ScopedEnv env("XDG_DATA_HOME", data.toUtf8());
  EXPECT_EQ(QtFileSystem().UserDataFolder(), data.toStdString());
  EXPECT_TRUE(QDir(data).exists());
}

}  // namespace
}  // namespace vlx
