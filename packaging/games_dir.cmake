# Run by CPack after the install into its staging folder: a Debian package
# keeps a game's programs in /usr/games, not /usr/bin. The show's files stay
# in /usr/share/vantorel, which is ../share/vantorel from either.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/usr/bin/*"
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program ${programs})
  get_filename_component(bin ${program} DIRECTORY)
  get_filename_component(usr ${bin} DIRECTORY)
  get_filename_component(name ${program} NAME)
  file(MAKE_DIRECTORY ${usr}/games)
  file(RENAME ${program} ${usr}/games/${name})
  list(APPEND emptied ${bin})
endforeach()
if(emptied)
  list(REMOVE_DUPLICATES emptied)
  file(REMOVE_RECURSE ${emptied})
endif()
