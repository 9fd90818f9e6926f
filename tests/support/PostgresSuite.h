// A test fixture whose suite shares one throwaway PostgreSQL server; a
// test skips when no server can run here.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <memory>
#include <string>

#include "support/Postgres.h"

namespace vdtest {

class OnPostgres : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        unavailable_ = PostgresServer::Unavailable();
        if (!unavailable_.empty()) return;
        try {
            server_ = std::make_unique<PostgresServer>();
        } catch (const std::exception& e) {
            startError_ = e.what();
        }
    }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override {
        if (!unavailable_.empty()) GTEST_SKIP() << "No PostgreSQL server can run here: " << unavailable_;
        ASSERT_TRUE(server_) << startError_;
    }
    static inline std::string unavailable_, startError_;
    static inline std::unique_ptr<PostgresServer> server_;
};

}  // namespace vdtest
