# finish_page.cmake - the last step of the page's build (cmake -P, from
# web/CMakeLists.txt): writes DIR/page-files.json, every file of FILES with
# its size in bytes, which the page's loading bar and its service worker
# read; then leaves beside each file of COMPRESS a .gz copy (GZIP) and, when
# BROTLI names the tool, a .br copy, for servers that send them as they are.
# Each copy is made afresh, so none can lag behind its file.
set(entries "")
foreach(name IN LISTS FILES)
  file(SIZE "${DIR}/${name}" size)
  list(APPEND entries "  \"${name}\": ${size}")
endforeach()
list(JOIN entries ",\n" body)
file(WRITE "${DIR}/page-files.json" "{\n${body}\n}\n")

foreach(name IN LISTS COMPRESS)
  execute_process(COMMAND "${GZIP}" -9 -n -k -f "${DIR}/${name}" COMMAND_ERROR_IS_FATAL ANY)
  if(BROTLI)
    execute_process(COMMAND "${BROTLI}" -q 11 -k -f "${DIR}/${name}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
