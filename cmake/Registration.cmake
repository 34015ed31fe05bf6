# What the module registers, in the forms that do not run DllRegisterServer,
# made from the sources that DllRegisterServer itself uses: the registry
# script (RGS), the type library (IDL and the built TLB) and the table of
# component categories (CATEGORIES). Writes into OUT:
#
#   version.h                  VERSION for the resource script's VERSIONINFO
#   <module>.manifest          the side-by-side assembly manifest (embedded
#                              as resource 1, RT_MANIFEST): class, ProgIDs,
#                              threading model, misc status, type library
#   registry-class.wxi         the installers' registry rows for the class
#                              and the type library (WiX RegistryValue)
#   registry-interfaces.wxi    the same for the interfaces it marshals
#   registry-categories.wxi    the same for the suite's component categories
#
#   cmake -DRGS=... -DIDL=... -DTLB=... -DCATEGORIES=... -DVERSION=1.2.3.4
#         -DARCH=x86|amd64 -DMODULE=name.dll -DOUT=dir -P Registration.cmake
#
# Keys of the script become rows as the script registers them: every value
# is a value row, a key without values or subkeys a row "+" (create), a
# ForceRemove key a row "*" (removed with all it holds on uninstall), NoRemove
# keys nothing of their own. %MODULE% is the installed file ([#module]).
cmake_minimum_required(VERSION 3.20)

foreach(input RGS IDL TLB CATEGORIES VERSION ARCH MODULE OUT)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "Registration.cmake needs -D${input}=")
  endif()
endforeach()
get_filename_component(assembly ${MODULE} NAME_WE)
get_filename_component(rgs_name ${RGS} NAME)
get_filename_component(categories_name ${CATEGORIES} NAME)
set(tab "\t")

# --- The registry script -----------------------------------------------------

# Tokens: 'quoted text', {GUID}, braces, '=', words.
file(READ ${RGS} text)
if(text MATCHES ";")
  message(FATAL_ERROR "${RGS}: a semicolon is not handled here")
endif()
set(tokens)
set(rest "${text}")
while(TRUE)
  string(REGEX REPLACE "^[ \t\r\n]+" "" rest "${rest}")
  if(rest STREQUAL "")
    break()
  endif()
  if(rest MATCHES "^('([^']|'')*')")
  elseif(rest MATCHES "^(\\{[0-9A-Fa-f-]+\\})")
  elseif(rest MATCHES "^([{}=])")
  elseif(rest MATCHES "^([^ \t\r\n{}=']+)")
  else()
    message(FATAL_ERROR "${RGS}: cannot read at: ${rest}")
  endif()
  list(APPEND tokens "${CMAKE_MATCH_1}")
  string(LENGTH "${CMAKE_MATCH_1}" length)
  string(SUBSTRING "${rest}" ${length} -1 rest)
endwhile()

# The text of a name or data token.
function(token_text token out)
  if(token MATCHES "^'(.*)'$")
    string(REPLACE "''" "'" token "${CMAKE_MATCH_1}")
  endif()
  set(${out} "${token}" PARENT_SCOPE)
endfunction()

# Walks the script: keys as "rule<tab>path", values as
# "path<tab>name<tab>data" (the default value has an empty name).
set(keys)
set(values)
set(stack)        # ">path" of each open key; the root's is ">"
set(rule Plain)
set(last "")      # path of the key just named
list(LENGTH tokens count)
set(i 0)
macro(next_token out)
  if(i GREATER_EQUAL count)
    message(FATAL_ERROR "${RGS}: unexpected end")
  endif()
  list(GET tokens ${i} ${out})
  math(EXPR i "${i} + 1")
endmacro()
# "= s 'data'" of value `value_name` of key `value_path`.
macro(read_data)
  next_token(equals)
  next_token(type)
  next_token(data)
  if(NOT equals STREQUAL "=" OR NOT type STREQUAL "s")
    message(FATAL_ERROR "${RGS}: only string data (s '...') is handled here, at ${value_path}")
  endif()
  token_text("${data}" data)
  list(APPEND values "${value_path}${tab}${value_name}${tab}${data}")
endmacro()
while(i LESS count)
  next_token(token)
  list(LENGTH stack depth)
  if(depth EQUAL 0)
    if(NOT token MATCHES "^(HKCR|HKEY_CLASSES_ROOT)$")
      message(FATAL_ERROR "${RGS}: only HKCR is handled here, not ${token}")
    endif()
    next_token(open)
    list(APPEND stack ">")
  elseif(token STREQUAL "}")
    list(POP_BACK stack)
  elseif(token STREQUAL "{")
    list(APPEND stack ">${last}")
  elseif(token MATCHES "^(NoRemove|ForceRemove|Delete)$")
    set(rule ${token})
  else()
    list(GET stack -1 parent)
    string(SUBSTRING "${parent}" 1 -1 parent)
    if(token STREQUAL "val")
      next_token(value_name)
      token_text("${value_name}" value_name)
      set(value_path "${parent}")
      read_data()
    else()
      if(rule STREQUAL "Delete")
        message(FATAL_ERROR "${RGS}: Delete keys are not handled here")
      endif()
      token_text("${token}" name)
      if(parent STREQUAL "")
        set(last "${name}")
      else()
        set(last "${parent}\\${name}")
      endif()
      list(APPEND keys "${rule}${tab}${last}")
      set(rule Plain)
      if(i LESS count)
        list(GET tokens ${i} following)
        if(following STREQUAL "=")
          set(value_path "${last}")
          set(value_name "")
          read_data()
        endif()
      endif()
    endif()
  endif()
endwhile()

# The string value `name` of key `path`, or empty.
function(script_value path name out)
  set(found "")
  foreach(row ${values})
    if(row MATCHES "^([^\t]*)\t([^\t]*)\t(.*)$" AND CMAKE_MATCH_1 STREQUAL path
       AND CMAKE_MATCH_2 STREQUAL name)
      set(found "${CMAKE_MATCH_3}")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# --- The type library ----------------------------------------------------------

file(READ ${IDL} idl)
string(REGEX REPLACE "//[^\n]*" "" idl "${idl}")
if(NOT idl MATCHES "uuid\\(([0-9A-Fa-f-]+)\\)[^]]*helpstring\\(\"([^\"]*)\"\\)[^]]*\\][ \t\r\n]*library")
  message(FATAL_ERROR "${IDL}: no library with uuid and helpstring")
endif()
string(TOUPPER "{${CMAKE_MATCH_1}}" libid)
set(library_help "${CMAKE_MATCH_2}")
# Interfaces the type library marshals: dual or oleautomation.
set(interfaces)
string(REGEX MATCHALL "\\[[^]]*\\][ \t\r\n]*interface[ \t\r\n]+[A-Za-z0-9_]+" declarations "${idl}")
foreach(declaration ${declarations})
  if(declaration MATCHES "(dual|oleautomation)"
     AND declaration MATCHES "uuid\\(([0-9A-Fa-f-]+)\\).*interface[ \t\r\n]+([A-Za-z0-9_]+)$")
    string(TOUPPER "{${CMAKE_MATCH_1}}" iid)
    list(APPEND interfaces "${iid}${tab}${CMAKE_MATCH_2}")
  endif()
endforeach()

# Locale, version and flags as the built type library holds them (its
# header: the library's locale at byte 16, version at 24, flags at 28).
# Registered from a file, the library also has LIBFLAG_FHASDISKIMAGE (8).
function(tlb_word offset out)
  file(READ ${TLB} bytes OFFSET ${offset} LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" bytes "${bytes}")
  math(EXPR value "0x${bytes}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()
file(READ ${TLB} magic LIMIT 4 HEX)
if(NOT magic STREQUAL "4d534654") # MSFT
  message(FATAL_ERROR "${TLB} is not a type library")
endif()
tlb_word(16 tlb_lcid)
tlb_word(24 tlb_version)
tlb_word(28 tlb_flags)
math(EXPR tlb_flags "${tlb_flags} | 8")
math(EXPR major "${tlb_version} & 0xFFFF")
math(EXPR minor "${tlb_version} >> 16")
set(tlb_version "${major}.${minor}")
math(EXPR tlb_lcid "${tlb_lcid}" OUTPUT_FORMAT HEXADECIMAL)
string(REGEX REPLACE "^0x" "" tlb_lcid "${tlb_lcid}")
string(TOLOWER "${tlb_lcid}" tlb_lcid)
if(ARCH STREQUAL "x86")
  set(platform win32)
else()
  set(platform win64)
endif()

# --- Component categories -------------------------------------------------------

file(READ ${CATEGORIES} table)
if(NOT table MATCHES "define KVR_SUITE_CATEGORY\\(first\\)[ \t\\\n]*{first, ([0-9A-Fa-fx, {]+)}}")
  message(FATAL_ERROR "${CATEGORIES}: no KVR_SUITE_CATEGORY")
endif()
# "0xCCB3, 0x11D2, {0xB7, 0x95, ..." as "CCB3-11D2-B795-..."
string(REGEX REPLACE "0x|[ {]" "" fields "${CMAKE_MATCH_1}")
string(REPLACE "," ";" fields "${fields}")
list(LENGTH fields field_count)
if(NOT field_count EQUAL 10)
  message(FATAL_ERROR "${CATEGORIES}: KVR_SUITE_CATEGORY is not a GUID")
endif()
list(GET fields 0 1 data)
string(JOIN "-" category_tail ${data})
list(SUBLIST fields 2 2 data)
string(JOIN "" data ${data})
string(APPEND category_tail "-${data}-")
list(SUBLIST fields 4 6 data)
string(JOIN "" data ${data})
string(TOUPPER "${category_tail}${data}" category_tail)
string(REGEX MATCHALL "X\\(0x[0-9A-Fa-f]+, \"[^\"]*\", [01]\\)" entries "${table}")
set(categories)
foreach(entry ${entries})
  string(REGEX MATCH "X\\(0x([0-9A-Fa-f]+), \"([^\"]*)\", ([01])\\)" entry "${entry}")
  string(TOUPPER "{${CMAKE_MATCH_1}-${category_tail}}" id)
  list(APPEND categories "${id}${tab}${CMAKE_MATCH_2}${tab}${CMAKE_MATCH_3}")
endforeach()
if(NOT categories)
  message(FATAL_ERROR "${CATEGORIES}: no categories")
endif()

# --- The class -------------------------------------------------------------------

set(class "")
foreach(row ${keys})
  if(row MATCHES "\t(CLSID\\\\{[^\\\\]+})\\\\InprocServer32$")
    set(class "${CMAKE_MATCH_1}")
  endif()
endforeach()
if(class STREQUAL "")
  message(FATAL_ERROR "${RGS}: no class with InprocServer32")
endif()
string(REGEX REPLACE "^CLSID\\\\" "" clsid "${class}")
script_value("${class}" "" description)
script_value("${class}\\ProgID" "" progid)
script_value("${class}\\VersionIndependentProgID" "" independent_progid)
script_value("${class}\\InprocServer32" "ThreadingModel" threading)
script_value("${class}\\TypeLib" "" class_tlbid)
script_value("${class}\\Version" "" class_version)
if(NOT threading MATCHES "^(Apartment|Free|Both|Neutral)$")
  message(FATAL_ERROR "${RGS}: threading model '${threading}' is not one a manifest can name")
endif()
if(NOT class_tlbid STREQUAL libid OR NOT class_version STREQUAL tlb_version)
  message(FATAL_ERROR "${RGS} names type library ${class_tlbid} ${class_version}, the IDL ${libid} ${tlb_version}")
endif()

# MiscStatus: the default and the aspects 1, 2, 4, 8 as the manifest's
# keyword lists.
set(olemisc recomposeonresize onlyiconic insertnotreplace static cantlinkinside canlinkbyole1
    islinkobject insideout activatewhenvisible renderingisdeviceindependent invisibleatruntime
    alwaysrun actslikebutton actslikelabel nouiactivate alignable simpleframe setclientsitefirst
    imemode ignoreactivatewhenvisible wantstomenumerge supportsmultilevelundo)
function(misc_keywords number out)
  set(words)
  set(bit 1)
  foreach(word ${olemisc})
    math(EXPR set "${number} & ${bit}")
    if(NOT set EQUAL 0)
      list(APPEND words ${word})
      math(EXPR number "${number} & ~${bit}")
    endif()
    math(EXPR bit "${bit} << 1")
  endforeach()
  if(NOT number EQUAL 0)
    message(FATAL_ERROR "misc status bits ${number} have no keyword")
  endif()
  string(REPLACE ";" "," words "${words}")
  set(${out} "${words}" PARENT_SCOPE)
endfunction()
set(misc_attributes "")
foreach(aspect "" 1 2 4 8)
  if(aspect STREQUAL "")
    script_value("${class}\\MiscStatus" "" status)
    set(attribute miscStatus)
  else()
    script_value("${class}\\MiscStatus\\${aspect}" "" status)
    set(names 1 Content 2 Thumbnail 4 Icon 8 Docprint)
    list(FIND names ${aspect} at)
    math(EXPR at "${at} + 1")
    list(GET names ${at} name)
    set(attribute miscStatus${name})
  endif()
  if(NOT status STREQUAL "" AND NOT status EQUAL 0)
    misc_keywords(${status} words)
    string(APPEND misc_attributes " ${attribute}=\"${words}\"")
  endif()
endforeach()

# --- Output ----------------------------------------------------------------------

function(xml_escape text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Only writes what changed, so that the resource script is compiled again
# only when its inputs did.
function(write_if_changed path content)
  if(EXISTS ${path})
    file(READ ${path} old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE ${path} "${content}")
endfunction()

string(REPLACE "." "," version_binary "${VERSION}")
write_if_changed(${OUT}/version.h
  "// Made by cmake/Registration.cmake from VERSION.\n#define KVR_VERSION_BINARY ${version_binary}\n#define KVR_VERSION_TEXT \"${VERSION}\"\n")

xml_escape("${description}" description)
set(manifest "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>
<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">
  <assemblyIdentity type=\"win32\" name=\"${assembly}\" version=\"${VERSION}\" processorArchitecture=\"${ARCH}\"/>
  <file name=\"${MODULE}\">
    <comClass clsid=\"${clsid}\" threadingModel=\"${threading}\" progid=\"${progid}\" tlbid=\"${libid}\" description=\"${description}\"${misc_attributes}>\n")
if(NOT independent_progid STREQUAL "")
  string(APPEND manifest "      <progid>${independent_progid}</progid>\n")
endif()
string(APPEND manifest "    </comClass>
    <typelib tlbid=\"${libid}\" version=\"${tlb_version}\" helpdir=\"\"/>
  </file>
</assembly>
")
write_if_changed(${OUT}/${assembly}.manifest "${manifest}")

# Installer rows: a value of the Registry table is formatted text, so
# brackets are escaped; [#module] is the installed file, [INSTALLDIR] its
# folder.
set(file_ref "[#${MODULE}]")
string(ASCII 1 open_mark)
string(ASCII 2 close_mark)
function(msi_text text out)
  string(REPLACE "[" "${open_mark}" text "${text}")
  string(REPLACE "]" "${close_mark}" text "${text}")
  string(REPLACE "${open_mark}" "[\\[]" text "${text}")
  string(REPLACE "${close_mark}" "[\\]]" text "${text}")
  string(REPLACE "%MODULE%" "${file_ref}" text "${text}")
  xml_escape("${text}" text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
function(row key name value out)
  msi_text("${key}" key)
  set(line "<RegistryValue Root=\"HKCR\" Key=\"${key}\"")
  if(NOT name STREQUAL "")
    msi_text("${name}" name)
    string(APPEND line " Name=\"${name}\"")
  endif()
  set(${out} "${line} Value=\"${value}\" Type=\"string\"" PARENT_SCOPE)
endfunction()

set(rows "")
foreach(entry ${keys})
  string(REGEX MATCH "^([^\t]*)\t(.*)$" entry "${entry}")
  set(rule ${CMAKE_MATCH_1})
  set(path "${CMAKE_MATCH_2}")
  if(rule STREQUAL "NoRemove")
    continue()
  endif()
  set(empty TRUE)
  foreach(other ${keys} ${values})
    string(FIND "${other}" "\t${path}\\" below)
    string(FIND "${other}" "${path}\t" has_value)
    if(NOT below EQUAL -1 OR has_value EQUAL 0)
      set(empty FALSE)
    endif()
  endforeach()
  if(rule STREQUAL "ForceRemove")
    row("${path}" "*" "" line)
    string(APPEND rows "  ${line}/>\n")
  elseif(empty)
    row("${path}" "+" "" line)
    string(APPEND rows "  ${line}/>\n")
  endif()
  foreach(value ${values})
    if(value MATCHES "^([^\t]*)\t([^\t]*)\t(.*)$" AND CMAKE_MATCH_1 STREQUAL path)
      set(name "${CMAKE_MATCH_2}")
      msi_text("${CMAKE_MATCH_3}" data)
      row("${path}" "${name}" "${data}" line)
      string(APPEND rows "  ${line}/>\n")
    endif()
  endforeach()
endforeach()
foreach(category ${categories})
  string(REGEX MATCH "^([^\t]*)\t([^\t]*)\t(.)$" category "${category}")
  if(CMAKE_MATCH_3 STREQUAL "1")
    row("${class}\\Implemented Categories\\${CMAKE_MATCH_1}" "+" "" line)
    string(APPEND rows "  ${line}/>\n")
  endif()
endforeach()
# The type library as RegisterTypeLib writes it.
set(typelib "TypeLib\\${libid}\\${tlb_version}")
xml_escape("${library_help}" library_help)
string(APPEND rows
  "  <RegistryValue Root=\"HKCR\" Key=\"${typelib}\" Name=\"*\" Value=\"\" Type=\"string\"/>\n"
  "  <RegistryValue Root=\"HKCR\" Key=\"${typelib}\" Value=\"${library_help}\" Type=\"string\"/>\n"
  "  <RegistryValue Root=\"HKCR\" Key=\"${typelib}\\FLAGS\" Value=\"${tlb_flags}\" Type=\"string\"/>\n"
  "  <RegistryValue Root=\"HKCR\" Key=\"${typelib}\\${tlb_lcid}\\${platform}\" Value=\"${file_ref}\" Type=\"string\"/>\n"
  "  <RegistryValue Root=\"HKCR\" Key=\"${typelib}\\HELPDIR\" Value=\"[INSTALLDIR]\" Type=\"string\"/>\n")
write_if_changed(${OUT}/registry-class.wxi "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<!-- Made by cmake/Registration.cmake from ${rgs_name} and the type library. -->
<Include>
${rows}</Include>
")

# The interfaces the type library marshals (the automation marshaller).
# RegisterTypeLib of a 64-bit process writes them into the 32-bit view of
# the registry too, for 32-bit clients.
set(rows "")
foreach(interface ${interfaces})
  string(REGEX MATCH "^([^\t]*)\t(.*)$" interface "${interface}")
  set(key "Interface\\${CMAKE_MATCH_1}")
  set(marshaller "{00020424-0000-0000-C000-000000000046}")
  string(APPEND rows
    "  <RegistryValue Root=\"HKCR\" Key=\"${key}\" Name=\"*\" Value=\"\" Type=\"string\"/>\n"
    "  <RegistryValue Root=\"HKCR\" Key=\"${key}\" Value=\"${CMAKE_MATCH_2}\" Type=\"string\"/>\n"
    "  <RegistryValue Root=\"HKCR\" Key=\"${key}\\ProxyStubClsid\" Value=\"${marshaller}\" Type=\"string\"/>\n"
    "  <RegistryValue Root=\"HKCR\" Key=\"${key}\\ProxyStubClsid32\" Value=\"${marshaller}\" Type=\"string\"/>\n"
    "  <RegistryValue Root=\"HKCR\" Key=\"${key}\\TypeLib\" Value=\"${libid}\" Type=\"string\"/>\n"
    "  <RegistryValue Root=\"HKCR\" Key=\"${key}\\TypeLib\" Name=\"Version\" Value=\"${tlb_version}\" Type=\"string\"/>\n")
endforeach()
write_if_changed(${OUT}/registry-interfaces.wxi "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<!-- Made by cmake/Registration.cmake from the type library. -->
<Include>
${rows}</Include>
")

# The categories' component: its first value is the key path.
set(rows "")
set(keypath " KeyPath=\"yes\"")
foreach(category ${categories})
  string(REGEX MATCH "^([^\t]*)\t([^\t]*)\t(.)$" category "${category}")
  xml_escape("${CMAKE_MATCH_2}" text)
  string(APPEND rows "  <RegistryValue Root=\"HKCR\" Key=\"Component Categories\\${CMAKE_MATCH_1}\" Name=\"409\" Value=\"${text}\" Type=\"string\"${keypath}/>\n")
  set(keypath "")
endforeach()
write_if_changed(${OUT}/registry-categories.wxi "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<!-- Made by cmake/Registration.cmake from ${categories_name}. -->
<Include>
${rows}</Include>
")
