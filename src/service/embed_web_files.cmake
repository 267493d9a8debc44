# Writes OUTPUT, a C++ source that holds the files FILES (names separated by ",") of the folder
# WEB_DIR with their SHA-256, as builtInWebFiles() serves them. Run with cmake -P at build time.
string(REPLACE "," ";" names "${FILES}")
set(arrays "")
set(entries "")
set(index 0)
foreach(name IN LISTS names)
  file(READ "${WEB_DIR}/${name}" hex HEX)
  file(SHA256 "${WEB_DIR}/${name}" hash)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # A trailing zero keeps an empty file's array legal; it is not part of the body.
  string(APPEND arrays "const unsigned char kFile${index}[] = {${bytes}0};\n")
  string(APPEND entries "        {\"/${name}\", body(kFile${index}, sizeof kFile${index}), \"${hash}\"},\n")
  math(EXPR index "${index} + 1")
endforeach()
set(text "// The web app's files, written from web/ by embed_web_files.cmake at build time.
#include \"service/web_files.h\"

namespace vt::service {
namespace {

${arrays}
std::string_view body(const unsigned char* bytes, std::size_t sizeWithZero) {
    return {reinterpret_cast<const char*>(bytes), sizeWithZero - 1};
}

}  // namespace

const std::vector<WebFile>& builtInWebFiles() {
    static const std::vector<WebFile> files = {
${entries}    };
    return files;
}

}  // namespace vt::service
")
# Only a change of content touches the output, so that nothing else is built again.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
