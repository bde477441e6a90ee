# Installs the build into a fresh prefix (with a space in its path, as a user's folder may have)
# and checks what a desktop and an agent client find there.
file(REMOVE_RECURSE "${PREFIX}")
# Installing must not write into the build folder: an install as root would leave a file there
# that the user can no longer replace.
set(stale "${BUILD_DIR}/packaging/tavro.desktop")
file(REMOVE "${stale}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

function(expect_program path)
  if(NOT EXISTS "${path}" OR IS_SYMLINK "${path}" OR IS_DIRECTORY "${path}")
    message(FATAL_ERROR "no installed program at ${path}")
  endif()
  execute_process(COMMAND test -x "${path}" RESULT_VARIABLE executable)
  if(NOT executable EQUAL 0)
    message(FATAL_ERROR "${path} is not executable")
  endif()
endfunction()

expect_program("${PREFIX}/bin/tavro-mcp")
if(WITH_APP)
  expect_program("${PREFIX}/bin/tavro")
  if(NOT EXISTS "${PREFIX}/share/icons/hicolor/scalable/apps/tavro.svg")
    message(FATAL_ERROR "no icon")
  endif()
  set(entry "${PREFIX}/share/applications/tavro.desktop")
  file(STRINGS "${entry}" lines)
  # Exec is quoted, so that a prefix with a space still names one program; the entry has one
  # main category.
  foreach(expected "Type=Application" "Name=Tavro" "Icon=tavro" "Categories=Development;"
                   "Exec=\"${PREFIX}/bin/tavro\"" "Exec=\"${PREFIX}/bin/tavro\" --capture-region"
                   "Exec=\"${PREFIX}/bin/tavro\" --new-issue")
    list(FIND lines "${expected}" found)
    if(found EQUAL -1)
      message(FATAL_ERROR "${entry} lacks the line ${expected}")
    endif()
  endforeach()
  if(EXISTS "${stale}")
    message(FATAL_ERROR "installing wrote ${stale} into the build folder")
  endif()
  file(READ "${BUILD_DIR}/install_manifest.txt" manifest)
  string(FIND "${manifest}" "${entry}" listed)
  if(listed EQUAL -1)
    message(FATAL_ERROR "install_manifest.txt does not list ${entry}")
  endif()
endif()
