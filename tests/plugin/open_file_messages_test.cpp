// The messages of a read go to the sink routed for it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "dataset/messages.h"
#include "plugin/open_file.h"
#include "support/gathering_sink.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

// A read routed elsewhere prints nothing, whichever reader refuses.
TEST(MessageRoute, TakesTheReadersMessages) {
  GatheringSink sink;
  TempFile sc("bad.sc0", "*| NPort=2 DATA=0\n");
  TempFile touchstone("bad.s2p", "# THz S MA R 50\n");
  CapturedStream captured(stderr);
  {
    MessageRoute route(sink);
    DataSet* data = nullptr;
    EXPECT_EQ(openFile(sc.path().c_str(), &data), kFailed);
    EXPECT_EQ(openFile(touchstone.path().c_str(), &data), kFailed);
    EXPECT_EQ(data, nullptr);
  }
  EXPECT_EQ(captured.finish(), "");
  ASSERT_EQ(sink.gathered.size(), 3u);
  EXPECT_EQ(sink.gathered[0].first, Message::kCountsNotPositive);
  EXPECT_EQ(sink.gathered[1].first, Message::kOptionFieldUnknown);
  EXPECT_EQ(sink.gathered[2].first, Message::kCannotOpenFile);
  EXPECT_EQ(sink.gathered[2].second, touchstone.path());
}

}  // namespace
}  // namespace korvel::testing
