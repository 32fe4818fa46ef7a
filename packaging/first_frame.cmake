# Copies the first picture of a capture's folder to one file:
#   cmake -DFOLDER=<frames> -DOUT=<file.png> -P first_frame.cmake
file(GLOB frames ${FOLDER}/frame-*.png)
list(SORT frames)
list(LENGTH frames count)
if(count EQUAL 0)
  message(FATAL_ERROR "no frame in ${FOLDER}")
endif()
list(GET frames 0 first)
file(COPY_FILE ${first} ${OUT})
