// The fixture of the tests against the lookup service: one stand-in for the whole suite, reset
// before each test, the network forced up, and every worker finished before the next test.
#pragma once

#include <gtest/gtest.h>

#include "picture/download_thread.h"
#include "testing/lookup_stand_in.h"

class StandInTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { service = new LookupStandIn(); }
  static void TearDownTestSuite() {
    delete service;
    service = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(service->Running()) << "the lookup-service stand-in did not start";
    service->Reset();
    CDownloadThread::SetNetworkOverride(CDownloadThread::NetworkOverride::Up);
  }
  void TearDown() override {
    EXPECT_TRUE(WaitForWorkers());
    CDownloadThread::SetNetworkOverride(CDownloadThread::NetworkOverride::None);
  }

  inline static LookupStandIn* service = nullptr;
};
