# The product DLL, its tests and tools, cross-built with mingw-w64.

set(KVR_WINE_IDL_DIR /usr/include/wine/wine/windows)
set(KVR_GENERATED ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${KVR_GENERATED})

# widl imports stdole2.tlb from the Wine of the same pointer size.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(KVR_WIDL_TARGET --win32)
  set(KVR_WINE_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
else()
  set(KVR_WIDL_TARGET --win64)
  set(KVR_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
endif()

# kvr_idl(<name> <idl> [TLB]): header <name>.h and GUID file <name>_i.c,
# and with TLB also the type library <name>.tlb, all in ${KVR_GENERATED}.
# widl names the IDL file as given in the header (here relative to the
# source folder) and writes the current time into the type library (here a
# fixed one), so that the same IDL makes the same files anywhere.
find_program(KVR_FAKETIME faketime)
if(NOT KVR_FAKETIME)
  message(FATAL_ERROR "faketime is missing: run scripts/setup")
endif()
function(kvr_idl name idl)
  cmake_parse_arguments(ARG "TLB" "" "" ${ARGN})
  set(outputs ${KVR_GENERATED}/${name}.h ${KVR_GENERATED}/${name}_i.c)
  set(tlb_args)
  if(ARG_TLB)
    list(APPEND outputs ${KVR_GENERATED}/${name}.tlb)
    set(tlb_args -t -T ${KVR_GENERATED}/${name}.tlb)
  endif()
  file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${idl})
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${KVR_FAKETIME} -f "2000-01-01 00:00:00"
            ${KVR_WIDL} ${KVR_WIDL_TARGET} -I${KVR_WINE_IDL_DIR} -I${CMAKE_SOURCE_DIR}/control
            -L${KVR_WINE_TLB_DIR}
            -h -H ${KVR_GENERATED}/${name}.h
            -u -U ${KVR_GENERATED}/${name}_i.c
            ${tlb_args} ${relative}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    DEPENDS ${idl}
    COMMENT "widl ${name}"
    VERBATIM)
  set(${name}_OUTPUTS ${outputs} PARENT_SCOPE)
endfunction()

kvr_idl(CameraControlFN ${CMAKE_SOURCE_DIR}/control/CameraControlFN.idl)
kvr_idl(HostFramework ${CMAKE_SOURCE_DIR}/control/HostFramework.idl)
kvr_idl(KVRCmnCameraControlUI ${CMAKE_SOURCE_DIR}/resources/KVRCmnCameraControlUI.idl TLB)
add_custom_target(kvr_idl_headers DEPENDS
  ${CameraControlFN_OUTPUTS} ${HostFramework_OUTPUTS} ${KVRCmnCameraControlUI_OUTPUTS})

# The DLL's version resource and assembly manifest, and the installers'
# registry rows, made from VERSION, the registry script, the type library
# and the component categories (cmake/Registration.cmake), into <dir>.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(KVR_ASSEMBLY_ARCH x86)
else()
  set(KVR_ASSEMBLY_ARCH amd64)
endif()
function(kvr_registration dir version)
  set(outputs ${dir}/version.h ${dir}/KVRCmnCameraControlUI.manifest ${dir}/registry-class.wxi
              ${dir}/registry-interfaces.wxi ${dir}/registry-categories.wxi)
  set(rgs ${CMAKE_SOURCE_DIR}/resources/CameraControlUI.rgs)
  set(idl ${CMAKE_SOURCE_DIR}/resources/KVRCmnCameraControlUI.idl)
  set(categories ${CMAKE_SOURCE_DIR}/control/component_categories.h)
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -DRGS=${rgs} -DIDL=${idl} -DTLB=${KVR_GENERATED}/KVRCmnCameraControlUI.tlb
            -DCATEGORIES=${categories} -DVERSION=${version} -DARCH=${KVR_ASSEMBLY_ARCH}
            -DMODULE=KVRCmnCameraControlUI.dll -DOUT=${dir}
            -P ${CMAKE_SOURCE_DIR}/cmake/Registration.cmake
    DEPENDS ${rgs} ${idl} ${categories} ${KVR_GENERATED}/KVRCmnCameraControlUI.tlb
            ${CMAKE_SOURCE_DIR}/cmake/Registration.cmake
    COMMENT "registration ${version}"
    VERBATIM)
endfunction()
kvr_registration(${KVR_GENERATED} ${KVR_VERSION})

set(KVR_WARNINGS -Wall -Wextra)
set(KVR_DEFINES STRICT NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0700)
# No mingw runtime DLL has to travel with anything built here.
set(KVR_STATIC_LINK -static -static-libgcc -static-libstdc++)

# The same sources make the same bytes wherever they are built: no time
# stamp in the PE headers, no build folder in the debug information.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
add_link_options(-Wl,--no-insert-timestamp)

# Hardened, the product and everything linked with it alike: a canary in
# every frame that holds an array or lends out a local's address (a smashed
# stack stops the program when the function returns), and the string and
# print functions checked against their destination's size wherever the
# compiler knows it. Both fail through libssp, which -static links in.
# -DKVR_HARDENED=OFF builds without, to measure what it costs.
option(KVR_HARDENED "stack protector and fortified string functions" ON)
if(KVR_HARDENED)
  add_compile_options(-fstack-protector-strong)
  add_compile_definitions(_FORTIFY_SOURCE=2)
  add_link_options(-fstack-protector-strong)
endif()

# Everything of the product but its entry points, as a static library, so
# that white-box tests can link the same objects the DLL is made of.
file(GLOB KVR_PRODUCT_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/framework/*.cpp
  ${CMAKE_SOURCE_DIR}/control/*.cpp
  ${CMAKE_SOURCE_DIR}/pages/*.cpp
  ${CMAKE_SOURCE_DIR}/imaging/*.cpp)
list(REMOVE_ITEM KVR_PRODUCT_SOURCES ${CMAKE_SOURCE_DIR}/control/dll_exports.cpp)
add_library(kvr_product STATIC ${KVR_PRODUCT_SOURCES}
  ${KVR_GENERATED}/CameraControlFN_i.c
  ${KVR_GENERATED}/HostFramework_i.c
  ${KVR_GENERATED}/KVRCmnCameraControlUI_i.c)
add_dependencies(kvr_product kvr_idl_headers)
target_include_directories(kvr_product PUBLIC ${CMAKE_SOURCE_DIR} ${KVR_GENERATED})
target_compile_definitions(kvr_product PUBLIC ${KVR_DEFINES})
target_compile_options(kvr_product PRIVATE ${KVR_WARNINGS})
target_link_libraries(kvr_product PUBLIC
  ole32 oleaut32 uuid comctl32 comdlg32 gdi32 user32 advapi32 shlwapi)

# kvr_module(<target> <dir>): the in-process COM server DLL with the version
# resource and assembly manifest that kvr_registration made in <dir>.
set(KVR_RC ${CMAKE_SOURCE_DIR}/resources/KVRCmnCameraControlUI.rc)
function(kvr_module target dir)
  add_library(${target} SHARED ${ARGN}
    ${CMAKE_SOURCE_DIR}/control/dll_exports.cpp
    ${CMAKE_SOURCE_DIR}/control/KVRCmnCameraControlUI.def
    ${KVR_RC})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME KVRCmnCameraControlUI)
  target_compile_options(${target} PRIVATE ${KVR_WARNINGS})
  target_link_libraries(${target} PRIVATE kvr_product)
  target_link_options(${target} PRIVATE ${KVR_STATIC_LINK} -Wl,--kill-at)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # The .def names the stdcall entry points undecorated; say so explicitly
    # so that ld maps them without warning.
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
  # windres finds the version, manifest, type library and resource files
  # here, <dir> first.
  target_include_directories(${target} PRIVATE ${dir} ${CMAKE_SOURCE_DIR}/resources ${KVR_GENERATED})
  set_property(SOURCE ${KVR_RC} APPEND PROPERTY OBJECT_DEPENDS
    ${dir}/version.h ${dir}/KVRCmnCameraControlUI.manifest
    ${KVR_GENERATED}/KVRCmnCameraControlUI.tlb ${CMAKE_SOURCE_DIR}/resources/resource.h
    ${CMAKE_SOURCE_DIR}/resources/camera.ico ${CMAKE_SOURCE_DIR}/resources/toolbox.bmp
    ${CMAKE_SOURCE_DIR}/resources/CameraControlUI.rgs)
  add_dependencies(${target} kvr_idl_headers)
endfunction()

# The product.
kvr_module(KVRCmnCameraControlUI ${KVR_GENERATED})

# The DLL a user installs is stripped; its symbols stay beside it in
# KVRCmnCameraControlUI.dll.debug, linked by name and checksum, so that a
# debugger or a crash report can still resolve them. The exports, the machine
# type and the imports are checked on the stripped file, as it ships; the
# tests load the same file.
# objcopy stamps the PE headers it writes with SOURCE_DATE_EPOCH, else the
# current time: 0, as the linker leaves them.
set(KVR_OBJCOPY_FIXED ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${KVR_OBJCOPY})
add_custom_command(TARGET KVRCmnCameraControlUI POST_BUILD
  COMMAND ${KVR_OBJCOPY_FIXED} --only-keep-debug $<TARGET_FILE:KVRCmnCameraControlUI>
          $<TARGET_FILE:KVRCmnCameraControlUI>.debug
  COMMAND ${KVR_OBJCOPY_FIXED} --strip-all $<TARGET_FILE:KVRCmnCameraControlUI>
  COMMAND ${KVR_OBJCOPY_FIXED} --add-gnu-debuglink=$<TARGET_FILE_NAME:KVRCmnCameraControlUI>.debug
          $<TARGET_FILE_NAME:KVRCmnCameraControlUI>
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${KVR_OBJDUMP} -DDLL=$<TARGET_FILE:KVRCmnCameraControlUI>
          -DARCH=${CMAKE_SYSTEM_PROCESSOR} -DHARDENED=${KVR_HARDENED}
          -P ${CMAKE_SOURCE_DIR}/cmake/CheckExports.cmake
  WORKING_DIRECTORY $<TARGET_FILE_DIR:KVRCmnCameraControlUI>
  VERBATIM)

# Both builds have the same tests, tools and benchmarks: build/win32 runs
# under the 32-bit Wine, build/win64 under wine64.
enable_testing()
add_subdirectory(tools)
add_subdirectory(tests)
add_subdirectory(tests/release)
add_subdirectory(bench)

# The SDK's sample manifest, which names this version of the DLL's assembly.
configure_file(${CMAKE_SOURCE_DIR}/release/sdk/samples/host.exe.manifest.in
               ${CMAKE_BINARY_DIR}/sdk/samples/host.exe.manifest @ONLY)
