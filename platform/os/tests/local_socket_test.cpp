#include <gtest/gtest.h>

#include <vector>

#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/local_socket.h"
#include "platform/os/paths.h"
#include "testing/temp_root.h"

namespace q7310::os {
namespace {

using Bytes = std::vector<uint8_t>;

class LocalSocketTest : public testing::VirtualClockTest {};

TEST_F(LocalSocketTest, BytesFlowBothWaysAndAnEndIsNoticed) {
  auto listener = LocalListener::listen(root() / "devices" / "a.sock");
  ASSERT_TRUE(listener);
  auto client = LocalSocket::connect(root() / "devices" / "a.sock");
  ASSERT_TRUE(client);
  auto server = listener->accept(1000);
  ASSERT_TRUE(server);

  ASSERT_TRUE(client->send(Bytes{1, 2, 3, 4, 5}));
  Bytes got(5);
  ASSERT_TRUE(server->receiveAll(got, 1000));
  EXPECT_EQ(got, (Bytes{1, 2, 3, 4, 5}));
  ASSERT_TRUE(server->send(Bytes{9}));
  Bytes one(4);
  EXPECT_EQ(client->receive(one, 1000), 1u);

  // Nothing to read: the wait is platform time.
  uint64_t t0 = tickCount64();
  EXPECT_EQ(client->receive(one, 5000), 0u);
  EXPECT_EQ(tickCount64() - t0, 5000u);

  server.reset();
  EXPECT_EQ(client->receive(one, 1000), std::nullopt);
  EXPECT_EQ(lastError(), kErrorReadFault);
}

TEST_F(LocalSocketTest, NobodyListeningOrAPathTooLong) {
  EXPECT_EQ(LocalSocket::connect(root() / "nobody.sock"), nullptr);
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  EXPECT_EQ(LocalListener::listen(root() / std::string(200, 'x')), nullptr);
  EXPECT_EQ(lastError(), kErrorInvalidName);
  // A stale endpoint left behind is replaced.
  auto first = LocalListener::listen(root() / "b.sock");
  auto second = LocalListener::listen(root() / "b.sock");
  ASSERT_TRUE(second);
  EXPECT_TRUE(LocalSocket::connect(root() / "b.sock"));
  EXPECT_TRUE(second->accept(100));
  EXPECT_EQ(second->accept(100), nullptr);  // a time-out
}

}  // namespace
}  // namespace q7310::os
