# Builds the installer of one build of the DLL with wixl, the same bytes for
# the same inputs:
#
#   cmake -DWXS=release/KVRCmnCameraControlUI.wxs -DARCH=x86|x64 -DVERSION=1.2.3.4
#         -DDLL=path/KVRCmnCameraControlUI.dll -DREGISTRY=dir -DEPOCH=seconds
#         -DOUT=file.msi -P Msi.cmake
#
# REGISTRY holds the registry rows that cmake/Registration.cmake made
# (registry-*.wxi). EPOCH is the time recorded in the package and
# its cabinet (scripts/release takes the commit's time).
#
# The product code follows from the architecture and the version, the
# package code also from every input, so a rebuild of the same package is
# the same package. wixl leaves the File table's version empty; it is filled
# in with the DLL's version, so that Windows Installer treats the DLL as the
# versioned file it is.
cmake_minimum_required(VERSION 3.20)

foreach(input WXS ARCH VERSION DLL REGISTRY EPOCH OUT)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "Msi.cmake needs -D${input}=")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${stage} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command}\n${output}")
  endif()
endfunction()

set(namespace F1AB9707-7A0D-494D-AF6E-569767A105DB)
string(UUID product_code NAMESPACE ${namespace} NAME "${ARCH} product ${VERSION}" TYPE SHA1 UPPER)
set(inputs "${ARCH} package ${VERSION}")
set(rows registry-class.wxi registry-interfaces.wxi registry-categories.wxi)
foreach(file ${WXS} ${DLL} ${REGISTRY}/registry-class.wxi ${REGISTRY}/registry-interfaces.wxi
             ${REGISTRY}/registry-categories.wxi)
  file(SHA256 ${file} hash)
  string(APPEND inputs " ${hash}")
endforeach()
string(UUID package_code NAMESPACE ${namespace} NAME "${inputs}" TYPE SHA1 UPPER)

# wixl takes files by relative names: everything in one folder. The cabinet
# records the file's time: a copy with the given one.
get_filename_component(OUT ${OUT} ABSOLUTE)
set(stage ${OUT}.files)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
file(COPY_FILE ${DLL} ${stage}/KVRCmnCameraControlUI.dll)
file(COPY_FILE ${WXS} ${stage}/product.wxs)
foreach(name ${rows})
  file(COPY_FILE ${REGISTRY}/${name} ${stage}/${name})
endforeach()
run(touch -d @${EPOCH} ${stage}/KVRCmnCameraControlUI.dll)

# wixl and msibuild stamp the summary information with the current time.
set(ENV{SOURCE_DATE_EPOCH} ${EPOCH})
set(ENV{TZ} UTC)
string(TIMESTAMP time "%Y-%m-%d %H:%M:%S" UTC)
set(fixed_time faketime -f "${time}")
if(ARCH STREQUAL "x64")
  set(template "x64;1033")
else()
  set(template "Intel;1033")
endif()

file(REMOVE ${OUT})
run(${fixed_time} wixl -a ${ARCH} -D Arch=${ARCH} -D Version=${VERSION} -D ProductCode=${product_code}
    -D Dll=KVRCmnCameraControlUI.dll -D Registry=. -o ${OUT} product.wxs)
# (The template has a semicolon: not through run().)
execute_process(COMMAND ${fixed_time} msibuild ${OUT} -s "KVR Cmn CameraControlUI" KVR "${template}"
                        "{${package_code}}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "msibuild could not set the summary information of ${OUT}")
endif()
run(${fixed_time} msibuild ${OUT} -q "UPDATE `File` SET `Version` = '${VERSION}', `Language` = '1033'")
file(REMOVE_RECURSE ${stage})
