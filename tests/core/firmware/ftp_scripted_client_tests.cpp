#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptedFtpClient.h"

namespace vlx::test {
namespace {

// Records the events in arrival order.
struct EventLog : FtpEvents {
  void OnConnected(ErrorCode result) override { seen.push_back("Connected " + Code(result)); }
  void OnDirectorySet(ErrorCode result) override { seen.push_back("DirectorySet " + Code(result)); }
  void OnEntryFound(ErrorCode result, std::optional<FtpEntry> entry) override {
    seen.push_back("EntryFound " + Code(result) + (entry ? " " + entry->name : ""));
  }
  void OnFileReceived(ErrorCode result) override { seen.push_back("FileReceived " + Code(result)); }
  static std::string Code(ErrorCode code) { return std::to_string(code); }

  std::vector<std::string> seen;
};

TEST(ScriptedFtpClient, AnswersAtOnceOrHoldsTheEventUntilDelivered) {
  std::string written;
  ScriptedFtpClient client({
      {.call = FtpCall::kConnect, .answer = kFtpPending},
      {.call = FtpCall::kFindFirstFile, .entry = FtpEntry{"a.hex", 10, false}},
      {.call = FtpCall::kGetFile,
       .answer = kFtpPending,
       .eventResult = 12030,
       .effect = [&](const std::string& path) { written = path; }},
  });
  EventLog log;
  client.SetEvents(&log);

  EXPECT_EQ(client.Connect("host", 21), kFtpPending);
  EXPECT_TRUE(log.seen.empty());
  EXPECT_TRUE(client.DeliverNext());
  FtpEntry entry;
  EXPECT_EQ(client.FindFirstFile(entry), err::kSuccess);
  EXPECT_EQ(entry, (FtpEntry{"a.hex", 10, false}));
  EXPECT_EQ(client.GetFile("a.hex", "/f/.a.hex.part-abcdef"), kFtpPending);
  EXPECT_TRUE(written.empty());
  client.DeliverAll();

  EXPECT_EQ(written, "/f/.a.hex.part-abcdef");
  EXPECT_EQ(log.seen, (std::vector<std::string>{"Connected 0", "FileReceived 12030"}));
  EXPECT_EQ(client.Calls(), (std::vector<std::string>{"Connect host:21", "FindFirstFile",
                                                      "GetFile a.hex -> /f/.a.hex.part-abcdef"}));
  EXPECT_TRUE(client.ScriptDone());
}

TEST(ScriptedFtpClient, CloseDropsTheOutstandingEvent) {
  ScriptedFtpClient client({{.call = FtpCall::kSetCurrentDirectory, .answer = kFtpPending}});
  EventLog log;
  client.SetEvents(&log);
  EXPECT_EQ(client.SetCurrentDirectory("VLX/firmware"), kFtpPending);
  client.Close();
  EXPECT_FALSE(client.DeliverNext());
  EXPECT_TRUE(log.seen.empty());
}

}  // namespace
}  // namespace vlx::test
