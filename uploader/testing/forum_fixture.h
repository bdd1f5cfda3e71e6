// A test fixture with a running test forum, a fake window filled with the
// forum's address and the demo account, and a temporary directory. The cookie
// jar and the request-object seam are reset around every test.
#pragma once

#include <gtest/gtest.h>

#include "uploader/controls.h"
#include "uploader/cookie_jar.h"
#include "uploader/jar_exchange.h"
#include "uploader/testing/fake_window.h"
#include "uploader/testing/temp_dir.h"
#include "uploader/testing/test_forum.h"

namespace quillon::testing {

class ForumFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    cookie_jar.clear();
    ASSERT_NE(forum_.port(), 0);
    window_.set_field_text(kSiteBox, Text(forum_.base_url()));
    window_.set_field_text(kAccountBox, Text("demo"));
    window_.set_field_text(kPasswordBox, Text("demo"));
  }
  void TearDown() override {
    set_request_factory_for_tests({});
    cookie_jar.clear();
  }

  TestForum forum_;
  FakeWindow window_;
  TempDir dir_;
};

}  // namespace quillon::testing
