// The result-code table: which string a failed server call shows.
#include <windows.h>
#include <gtest/gtest.h>

#include "pages/server_errors.h"
#include "resources/resource.h"

namespace {

// The text of each code from 0x80040402 on; 0 for the six codes
// 0x8004041D..0x80040422, which the table does not know.
// clang-format off
const UINT kTextIds[] = {
    IDS_RESULT_NO_PRODUCT_NAME, IDS_RESULT_NOT_SUPPORTED, IDS_RESULT_DELETE_PREVIEW,
    IDS_RESULT_COPY_PREVIEW, IDS_RESULT_TEST_RUNNING, IDS_RESULT_CAMERA_ID_RANGE,
    IDS_RESULT_SERVER_BUSY, IDS_RESULT_HARDWARE, IDS_RESULT_FAULTY_PIXELS, IDS_RESULT_OPTION_FLAG,
    IDS_RESULT_NO_MEMORY, IDS_RESULT_CAMERA_ID, IDS_RESULT_TEST_MODE, IDS_RESULT_BATTERY,
    IDS_RESULT_NOT_ACTIVATED, IDS_RESULT_PARAMETER, IDS_RESULT_IMAGE_SIZE, IDS_RESULT_IMAGE_FORMAT,
    IDS_RESULT_CAPTURE_PARAMETERS, IDS_RESULT_COLOUR_FORMAT, IDS_RESULT_FMAN,
    IDS_RESULT_TARGET_DEVICE, IDS_RESULT_FOLDER, IDS_RESULT_DUPLICATE_NAME, IDS_RESULT_MEDIA_FULL,
    IDS_RESULT_SENSOR_RESULTS, IDS_RESULT_NOT_READY, 0, 0, 0, 0, 0, 0, IDS_RESULT_FILE_SYSTEM,
    IDS_RESULT_NAME_EXISTS, IDS_RESULT_DRIVE_FULL};
// clang-format on

TEST(ResultCodes, EachCodeGivesItsTextAndOthersTheCallersDefault) {
  const UINT fallback = 999;
  for (DWORD i = 0; i < ARRAYSIZE(kTextIds); ++i)
    EXPECT_EQ(ServerErrorTextId(0x80040402 + i, fallback), kTextIds[i] ? kTextIds[i] : fallback)
        << std::hex << 0x80040402 + i;
  for (DWORD code : {0x80040400UL, 0x80040401UL, 0x80040426UL, 0x80040502UL, 0x80004005UL})
    EXPECT_EQ(ServerErrorTextId(static_cast<HRESULT>(code), fallback), fallback)
        << std::hex << code;
}

}  // namespace
