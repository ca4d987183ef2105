// GLib reports a misused call (a null where text belongs, say) as a "critical" message and goes
// on with an empty result, which a comparison of output may not notice. Here it stops the run.
#include <glib.h>
#include <gtest/gtest.h>

namespace {

class CriticalsAreFatal : public ::testing::Environment {
public:
    void SetUp() override {
        g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR));
    }
};

[[maybe_unused]] const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new CriticalsAreFatal);

}  // namespace
