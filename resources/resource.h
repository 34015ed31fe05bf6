// Symbolic ids of the module's resources: dialogs, their controls, the
// string table, the icon, the toolbox bitmap and the registry script.
// Included by KVRCmnCameraControlUI.rc and by the C++ code; plain #defines
// only, so that the resource compiler can read it too.
#ifndef KVR_RESOURCES_RESOURCE_H
#define KVR_RESOURCES_RESOURCE_H

// ---------------------------------------------------------------------------
// Resources other than dialogs and strings

#define IDB_CAMERACONTROLUI 102  // toolbox bitmap, 16 x 16, 4 bits per pixel
#define IDR_CAMERACONTROLUI 103  // registry script (type "REGISTRY")
#define IDI_CAMERA 209           // camera icon, 32 x 32 and 16 x 16

// ---------------------------------------------------------------------------
// Dialogs

#define IDD_CAMERACONTROLUI 104       // the control's own dialog
#define IDD_CAMERA_TEST 201           // page "Camera Test"
#define IDD_REGISTERS 202             // page "Registers"
#define IDD_PICTURE_CAPTURE 203       // page "Picture Capture"
#define IDD_PICTURE_COLOURS 204       // page "Picture Colours"
#define IDD_PICTURE_TESTS 205         // page "Picture Tests"
#define IDD_IMAGE_PREVIEW 206         // modal "Image Preview"
#define IDD_EPOC_PICTURE_CAPTURE 207  // page "Picture Capture  " (product modes)
#define IDD_TEST_WAIT 208             // modal "Please Wait..."

// ---------------------------------------------------------------------------
// Controls. Ids are unique within a dialog only; the same number may name
// different controls in different dialogs. The Close (1) and Help (9)
// buttons of dialogs 104 and 206 use IDOK and IDHELP.

// Dialog 104, the control
#define IDC_SHEET_PLACEHOLDER 204  // hidden frame the property sheet is placed over
#define IDC_DEACTIVATE_ALL 275
#define IDC_CAMERA_ON 276
#define IDC_VIEWFINDER_ON 277
#define IDC_ACTIVATION_GROUP 289

// Dialog 201, Camera Test
#define IDC_AVERAGE_BRIGHTNESS 207
#define IDC_AVERAGE_COLOUR_DIFFERENCE 208
#define IDC_TEST 209
#define IDC_BLEMISH_CLUSTERS 210
#define IDC_MAXIMUM_BLEMISH_SIZE 211
#define IDC_DEAD_PIXELS 212
#define IDC_WEAK_PIXELS 213
#define IDC_CORNER_DARKENING 214

// Dialog 202, Registers (Read and Write are shared with dialog 204)
#define IDC_READ 202
#define IDC_WRITE 203
#define IDC_REGISTER_LIST 210
#define IDC_FIRST_REGISTER 212
#define IDC_LAST_REGISTER 213

// Dialogs 203 and 207, Picture Capture (ids shared by both pages first)
#define IDC_LOCATION_PC 219
#define IDC_FORMAT_GROUP 227
#define IDC_SIZE_GROUP 228
#define IDC_FORMAT_LIST 232
#define IDC_SIZE_LIST 233
// only dialog 203
#define IDC_LOCATION_PRODUCT 218
#define IDC_SAVE 220
#define IDC_PRODUCT_NAME 223
#define IDC_PREVIEW 234
#define IDC_PRODUCT_NAME_GROUP 281
// only dialog 207
#define IDC_EPOC_SAVE 276
#define IDC_USE_ACKS 282
#define IDC_EPOC_PRODUCT_NAME 283
#define IDC_EPOC_LOCATION_PRODUCT 284
#define IDC_FLASH_OFF 285
#define IDC_FLASH_ON 286
#define IDC_SHOW_IMAGE_AFTER_SAVE 287
#define IDC_EPOC_PRODUCT_NAME_GROUP 288
#define IDC_FLASH_ANTI_RED_EYE 289
#define IDC_CAMERA_NUMBER_GROUP 297
#define IDC_CAMERA_NUMBER 299
#define IDC_FLASH_GROUP 300

// Dialog 204, Picture Colours: sliders, their value labels, check boxes
#define IDC_LUMINANCE 236
#define IDC_LUMINANCE_AUTO 239
#define IDC_BLEMISH_CORRECTION 244
#define IDC_WHITE_BALANCE 248
#define IDC_WHITE_BALANCE_AUTO 249
#define IDC_ANALOG_GAIN 250
#define IDC_SHARPNESS_V 253
#define IDC_SHARPNESS_H 256
#define IDC_CONTRAST 258
#define IDC_BRIGHTNESS 260
#define IDC_HUE 262
#define IDC_SATURATION 264
#define IDC_SHARPNESS_V_VALUE 263
#define IDC_SHARPNESS_H_VALUE 265
#define IDC_CONTRAST_VALUE 266
#define IDC_BRIGHTNESS_VALUE 267
#define IDC_HUE_VALUE 268
#define IDC_SATURATION_VALUE 269
#define IDC_LUMINANCE_VALUE 270
#define IDC_WHITE_BALANCE_VALUE 271
#define IDC_ANALOG_GAIN_VALUE 272

// Dialog 205, Picture Tests (Write is IDC_WRITE)
#define IDC_SPECIFIC_VALUE_GROUP 249
#define IDC_RED 250
#define IDC_RED_SPIN 251
#define IDC_GREEN 252
#define IDC_GREEN_SPIN 253
#define IDC_BLUE 254
#define IDC_BLUE_SPIN 255
#define IDC_RED_LABEL 257
#define IDC_GREEN_LABEL 258
#define IDC_BLUE_LABEL 259
#define IDC_NO_TEST 274
#define IDC_COLOUR_BAR_TEST 275
#define IDC_RAMP1_TEST 276
#define IDC_RAMP2_TEST 277
#define IDC_SPECIFIC_VALUE_TEST 278

// Dialog 206, Image Preview (Close and Help are IDOK and IDHELP)
#define IDC_PREVIEW_WINDOW 105  // created at run time, not in the template
#define IDC_PREVIEW_SAVE 276
#define IDC_PREVIEW_GROUP 279

// Dialog 208, Please Wait
#define IDC_WAIT_CANCEL 291
#define IDC_ELAPSED_SECONDS 293

// ---------------------------------------------------------------------------
// Strings

#define IDS_PROJNAME 100

// Tab texts (the captions of the page dialogs)
#define IDS_REGISTERS_TITLE 101
#define IDS_CAMERA_TEST_TITLE 102
#define IDS_PICTURE_CAPTURE_TITLE 103
#define IDS_PICTURE_TESTS_TITLE 118
#define IDS_PICTURE_COLOURS_TITLE 119
#define IDS_EPOC_PICTURE_CAPTURE_TITLE 164  // two trailing blanks

// Image sizes
#define IDS_SIZE_SUBQCIF 104
#define IDS_SIZE_QQVGA 105
#define IDS_SIZE_QCIF 106
#define IDS_SIZE_QVGA 107
#define IDS_SIZE_CIF 108
#define IDS_SIZE_VGA 109
#define IDS_SIZE_MPIX 175
#define IDS_SIZE_SXGA 176
#define IDS_SIZE_XGA 177
#define IDS_SIZE_SGA 178
#define IDS_SIZE_PHOTO 179
#define IDS_SIZE_TINY 180

// Pixel formats
#define IDS_FORMAT_JPEG 110
#define IDS_FORMAT_RGB444 111
#define IDS_FORMAT_RGB565 112
#define IDS_FORMAT_YUV400 113
#define IDS_FORMAT_YUV420 114
#define IDS_FORMAT_YUV422 115
#define IDS_FORMAT_RGB888 116
#define IDS_FORMAT_BAYER 117
#define IDS_FORMAT_BITMAP 169
#define IDS_FORMAT_YUV 170
#define IDS_FORMAT_RAW 171
#define IDS_FORMAT_TEST_JBS28 172
#define IDS_FORMAT_TEST_A5A5 173
#define IDS_FORMAT_TEST_COLOUR_BAR 174

// Names of the picture-tuning sliders
#define IDS_SLIDER_LUMINANCE 120
#define IDS_SLIDER_WHITE_BALANCE 121
#define IDS_SLIDER_ANALOG_GAIN 122
#define IDS_SLIDER_SHARPNESS_V 123
#define IDS_SLIDER_SHARPNESS_H 124
#define IDS_SLIDER_CONTRAST 125
#define IDS_SLIDER_BRIGHTNESS 126
#define IDS_SLIDER_HUE 127
#define IDS_SLIDER_SATURATION 128

// Slider labels after a failed register access
#define IDS_READ_FAILED 129
#define IDS_WRITE_FAILED 130

// Message texts and their titles
#define IDS_ERR_WRITE_REGISTER 131
#define IDS_ERR_WRITE_REGISTER_TITLE 132
#define IDS_ERR_READ_REGISTER 133
#define IDS_ERR_READ_REGISTER_TITLE 134
#define IDS_ERR_CAMERA_TEST 135
#define IDS_ERR_CAMERA_TEST_TITLE 136
#define IDS_ERR_NO_SERVER 137
#define IDS_ERR_NO_SERVER_TITLE 138
#define IDS_ERR_IMAGE_FORMAT 139
#define IDS_ERR_IMAGE_FORMAT_TITLE 140
#define IDS_ERR_IMAGE_SIZE 141
#define IDS_ERR_IMAGE_SIZE_TITLE 142
#define IDS_ERR_PREVIEW_IMAGE 143
#define IDS_ERR_PREVIEW_IMAGE_TITLE 144
#define IDS_ERR_CAPTURE 145
#define IDS_ERR_SAVE_IMAGE_TITLE 146
#define IDS_ERR_DISPLAY_IMAGE 147
#define IDS_ERR_DISPLAY_IMAGE_TITLE 148
#define IDS_ERR_ACTIVATE_CAMERA 149
#define IDS_ERR_ACTIVATE_CAMERA_TITLE 150
#define IDS_ERR_ACTIVATE_VIEWFINDER 151
#define IDS_ERR_ACTIVATE_VIEWFINDER_TITLE 152
#define IDS_ERR_INTERNAL 153
#define IDS_ERR_INTERNAL_TITLE 154
#define IDS_ERR_BINARY_VALUE 155
#define IDS_ERR_BINARY_VALUE_TITLE 156
#define IDS_ERR_NO_FILENAME 157
#define IDS_ERR_NO_FILENAME_TITLE 158
#define IDS_ERR_REGISTER_RANGE 159
#define IDS_ERR_REGISTER_ORDER 160
#define IDS_ERR_REGISTER_NUMBER_TITLE 161
#define IDS_ERR_SAVE_FILE 162
#define IDS_ERR_SAVE_FILE_TITLE 163
#define IDS_CAPTURE_WARNING_TITLE 165
#define IDS_CAPTURE_PARTIAL_DATA 166
#define IDS_ERR_TEST_RUNNING 167
#define IDS_ERR_TEST_RUNNING_TITLE 168
#define IDS_ERR_CAMERA_NUMBER_TITLE 181
#define IDS_ERR_CAMERA_NUMBER 182
#define IDS_ERR_SAVE_MODE 183
#define IDS_ERR_SAVE_NO_CAMERA 184
#define IDS_ERR_SAVE_NOT_ACCESSIBLE 185
#define IDS_ERR_SAVE_NO_RESULTS 186
#define IDS_ERR_REGISTER_OPERATION 214
#define IDS_CAMERA_CONTROL_TITLE 218
#define IDS_ERR_NO_PRODUCT_CONFIGURATION 219
#define IDS_CAPTURE_SUCCESS 220

// Texts of the camera function server's failure codes. 0x80040402 to
// 0x8004041C map onto 187 to 213 in order; 0x80040423 to 0x80040425 onto
// 215 to 217.
#define IDS_RESULT_NO_PRODUCT_NAME 187
#define IDS_RESULT_NOT_SUPPORTED 188
#define IDS_RESULT_DELETE_PREVIEW 189
#define IDS_RESULT_COPY_PREVIEW 190
#define IDS_RESULT_TEST_RUNNING 191
#define IDS_RESULT_CAMERA_ID_RANGE 192
#define IDS_RESULT_SERVER_BUSY 193
#define IDS_RESULT_HARDWARE 194
#define IDS_RESULT_FAULTY_PIXELS 195
#define IDS_RESULT_OPTION_FLAG 196
#define IDS_RESULT_NO_MEMORY 197
#define IDS_RESULT_CAMERA_ID 198
#define IDS_RESULT_TEST_MODE 199
#define IDS_RESULT_BATTERY 200
#define IDS_RESULT_NOT_ACTIVATED 201
#define IDS_RESULT_PARAMETER 202
#define IDS_RESULT_IMAGE_SIZE 203
#define IDS_RESULT_IMAGE_FORMAT 204
#define IDS_RESULT_CAPTURE_PARAMETERS 205
#define IDS_RESULT_COLOUR_FORMAT 206
#define IDS_RESULT_FMAN 207
#define IDS_RESULT_TARGET_DEVICE 208
#define IDS_RESULT_FOLDER 209
#define IDS_RESULT_DUPLICATE_NAME 210
#define IDS_RESULT_MEDIA_FULL 211
#define IDS_RESULT_SENSOR_RESULTS 212
#define IDS_RESULT_NOT_READY 213
#define IDS_RESULT_FILE_SYSTEM 215
#define IDS_RESULT_NAME_EXISTS 216
#define IDS_RESULT_DRIVE_FULL 217

#endif  // KVR_RESOURCES_RESOURCE_H
