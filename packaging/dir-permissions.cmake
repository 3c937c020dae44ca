# Run by CPack on its staging folder just before it packs it: every folder
# gets mode 0755, as Debian wants, whatever the packager's umask made it.
# (CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS cannot do this: the umask is
# still applied to the folders the install creates.)
file(GLOB_RECURSE paths LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path IN ITEMS "${CPACK_TEMPORARY_DIRECTORY}" LISTS paths)
  if(IS_DIRECTORY "${path}" AND NOT IS_SYMLINK "${path}")
    file(CHMOD "${path}" PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
