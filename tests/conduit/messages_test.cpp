// Replacing the message table's texts again and again (every call of the
// library reloads the message file) does not pile up memory.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "messages.h"

#ifdef __SANITIZE_ADDRESS__
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#define TESSEL_ALLOCATED_BYTES() __sanitizer_get_current_allocated_bytes()
#else
#include <malloc.h>
#define TESSEL_ALLOCATED_BYTES() static_cast<size_t>(mallinfo2().uordblks)
#endif

namespace {

TEST(MessageTextTest, ReloadingDoesNotPileUpMemory) {
    const std::string text(200, 'x');
    for (int i = 0; i < kMessageCount; ++i) SetMessageText(static_cast<MessageKey>(i), "warm");
    const size_t before = TESSEL_ALLOCATED_BYTES();
    for (int round = 0; round < 2000; ++round) {
        for (int i = 0; i < kMessageCount; ++i) {
            SetMessageText(static_cast<MessageKey>(i), text.c_str());
        }
    }
    const size_t after = TESSEL_ALLOCATED_BYTES();
    // 2000 reloads of 76 texts of 200 bytes would be about 30 MB if kept.
    EXPECT_LT(after, before + 100 * 1024);
    ResetMessageTexts();
}

}  // namespace
