# Run by the page's build once every file is in place:
#   cmake -DOUT=<page folder> -DTEMPLATE=<sw.js.in> "-DFILES=a;b;c" -P page_files.cmake
# Writes files.json (the bytes of every file, for the loading bar) and
# sw.js (the service worker, with this build's version: a hash of every
# file, so that a new build replaces what the browser keeps).
set(bytes)
set(hashes)
set(names "\"./\"")
foreach(name ${FILES})
  file(SIZE ${OUT}/${name} size)
  file(SHA256 ${OUT}/${name} hash)
  string(APPEND hashes "${name}:${hash}\n")
  if(bytes)
    string(APPEND bytes ",\n")
  endif()
  string(APPEND bytes "    \"${name}\": ${size}")
  string(APPEND names ", \"${name}\"")
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING ${version} 0 16 version)
file(WRITE ${OUT}/files.json "{\n  \"version\": \"${version}\",\n  \"bytes\": {\n${bytes}\n  }\n}\n")
set(VERSION ${version})
set(FILES ${names})
configure_file(${TEMPLATE} ${OUT}/sw.js @ONLY)
