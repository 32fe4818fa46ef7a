# The show in a browser: the show's own sources with the browser's back-ends,
# built by Emscripten into a page. Included by the top-level CMakeLists.txt
# when it runs under emcmake; ./vantorel.sh web drives it.

set(VANTOREL_WEB_DEPS "" CACHE PATH
  "Debian's zlib, libpng, libmpg123, KissFFT and GLU built with emcc (web/deps.sh)")
set(VANTOREL_ASSET_DIR "" CACHE PATH
  "A desktop build's show folder, with the pictures and the music the build made")
set(VANTOREL_WEB_OUT ${CMAKE_BINARY_DIR}/page CACHE PATH "Where the page is written")
if(NOT EXISTS "${VANTOREL_WEB_DEPS}/lib/libmpg123.a")
  message(FATAL_ERROR "VANTOREL_WEB_DEPS must name what web/deps.sh built")
endif()

# Every library of the page is built at -O2, as emcc's code size and speed
# are best balanced there.
add_compile_options(-O2)
add_subdirectory(platform)
add_subdirectory(workers)
add_subdirectory(sound)
add_subdirectory(gfx)

add_library(vantorel_show STATIC ${VANTOREL_SHOW_SOURCES})
target_include_directories(vantorel_show PUBLIC ${CMAKE_SOURCE_DIR} ${VANTOREL_WEB_DEPS}/include)

add_executable(vantorel app/main_web.cpp)
target_include_directories(vantorel PRIVATE ${CMAKE_SOURCE_DIR} ${VANTOREL_WEB_DEPS}/include)
# wasm-ld finds a symbol in any of the archives whatever their order.
target_link_libraries(vantorel PRIVATE vantorel_show vantorel_gfx vantorel_gfx_cull
  vantorel_web_platform vantorel_platform vantorel_workers_serial vantorel_sound)
foreach(library png z mpg123 kissfft-float GLU)
  target_link_libraries(vantorel PRIVATE ${VANTOREL_WEB_DEPS}/lib/lib${library}.a)
endforeach()
# WebGL 2 only (the GL back-end's shader and 32-bit indices need it); memory
# starts with room for the tables and the decoded music (about 35 MB); the files the page fetches live
# in the module's in-memory file system.
target_link_options(vantorel PRIVATE -O2 -sENVIRONMENT=web -sMIN_WEBGL_VERSION=2
  -sMAX_WEBGL_VERSION=2 -sINITIAL_MEMORY=96MB -sALLOW_MEMORY_GROWTH=1 -sFORCE_FILESYSTEM=1
  -sEXPORTED_RUNTIME_METHODS=FS -sEXIT_RUNTIME=0)
set_target_properties(vantorel PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${VANTOREL_WEB_OUT})

set(VANTOREL_WEB_ICONS "" CACHE PATH
  "A desktop build's icon folder (<size>x<size>/apps/vantorel.png), for the page's own icons")
set(page_files index.html page.js page.css manifest.webmanifest)
set(asset_names)
foreach(slot RANGE 0 18)
  string(LENGTH "${slot}" digits)
  if(digits EQUAL 1)
    set(slot "0${slot}")
  endif()
  list(APPEND asset_names tex${slot}.png)
endforeach()
list(APPEND asset_names glyphs.png tarrowind.mp3)
set(copied)
foreach(file ${page_files})
  add_custom_command(OUTPUT ${VANTOREL_WEB_OUT}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/${file} ${VANTOREL_WEB_OUT}/${file}
    DEPENDS ${CMAKE_SOURCE_DIR}/web/${file} VERBATIM)
  list(APPEND copied ${VANTOREL_WEB_OUT}/${file})
endforeach()
foreach(file ${asset_names})
  add_custom_command(OUTPUT ${VANTOREL_WEB_OUT}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${VANTOREL_ASSET_DIR}/${file} ${VANTOREL_WEB_OUT}/${file}
    DEPENDS ${VANTOREL_ASSET_DIR}/${file} VERBATIM)
  list(APPEND copied ${VANTOREL_WEB_OUT}/${file})
endforeach()
foreach(size 192 512)
  add_custom_command(OUTPUT ${VANTOREL_WEB_OUT}/icon-${size}.png
    COMMAND ${CMAKE_COMMAND} -E copy ${VANTOREL_WEB_ICONS}/${size}x${size}/apps/vantorel.png
      ${VANTOREL_WEB_OUT}/icon-${size}.png
    DEPENDS ${VANTOREL_WEB_ICONS}/${size}x${size}/apps/vantorel.png VERBATIM)
  list(APPEND copied ${VANTOREL_WEB_OUT}/icon-${size}.png)
endforeach()

# The screenshot software centres show (the desktop metainfo names it at the
# project page), published beside the page; not one of the page's files.
set(VANTOREL_WEB_SCREENSHOT "" CACHE FILEPATH
  "A desktop build's screenshot.png (its vantorel_screenshot target), published with the page")
if(VANTOREL_WEB_SCREENSHOT)
  add_custom_command(OUTPUT ${VANTOREL_WEB_OUT}/screenshot.png
    COMMAND ${CMAKE_COMMAND} -E copy ${VANTOREL_WEB_SCREENSHOT} ${VANTOREL_WEB_OUT}/screenshot.png
    DEPENDS ${VANTOREL_WEB_SCREENSHOT} VERBATIM)
  list(APPEND copied ${VANTOREL_WEB_OUT}/screenshot.png)
endif()

# The list of the page's files with their sizes, and the service worker that
# keeps them, made once everything else is in place.
set(kept_names ${page_files} ${asset_names} icon-192.png icon-512.png vantorel.js vantorel.wasm)
add_custom_command(OUTPUT ${VANTOREL_WEB_OUT}/files.json ${VANTOREL_WEB_OUT}/sw.js
  COMMAND ${CMAKE_COMMAND} -DOUT=${VANTOREL_WEB_OUT} -DTEMPLATE=${CMAKE_SOURCE_DIR}/web/sw.js.in
    "-DFILES=${kept_names}" -P ${CMAKE_SOURCE_DIR}/web/page_files.cmake
  DEPENDS ${copied} vantorel ${CMAKE_SOURCE_DIR}/web/sw.js.in ${CMAKE_SOURCE_DIR}/web/page_files.cmake
  COMMENT "Listing the page's files and making its service worker"
  VERBATIM)
add_custom_target(vantorel_page ALL DEPENDS ${copied} ${VANTOREL_WEB_OUT}/files.json
  ${VANTOREL_WEB_OUT}/sw.js)
