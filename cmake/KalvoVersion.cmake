# The version the about window shows, and the project's contact links. The version is the project's;
# a build from a git checkout adds what `git describe` says of it, so two builds can be told apart.

set(KALVO_HOMEPAGE_URL "https://kalvo.example.org" CACHE STRING "Home page shown in the about window")
set(KALVO_CONTACT_EMAIL "kalvo@example.org" CACHE STRING "Contact address shown in the about window")
set(KALVO_ISSUES_URL "https://kalvo.example.org/chyby" CACHE STRING "Where users report faults")

set(KALVO_VERSION_TEXT "${PROJECT_VERSION}")
set(KALVO_GIT_DESCRIBE "")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${PROJECT_SOURCE_DIR}/.git")
  execute_process(
    COMMAND "${GIT_EXECUTABLE}" describe --tags --always --dirty
    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
    OUTPUT_VARIABLE KALVO_GIT_DESCRIBE
    RESULT_VARIABLE describe_result
    OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET)
  if(NOT describe_result EQUAL 0)
    set(KALVO_GIT_DESCRIBE "")
  endif()
  # A new commit or checkout configures again, so the version follows the source.
  execute_process(
    COMMAND "${GIT_EXECUTABLE}" rev-parse --absolute-git-dir
    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
    OUTPUT_VARIABLE git_dir
    RESULT_VARIABLE git_dir_result
    OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET)
  if(git_dir_result EQUAL 0 AND EXISTS "${git_dir}/logs/HEAD")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_dir}/logs/HEAD")
  endif()
endif()

if(KALVO_VERSION_TEXT STREQUAL "" AND KALVO_GIT_DESCRIBE STREQUAL "")
  set(KALVO_VERSION_TEXT "unknown")
elseif(KALVO_VERSION_TEXT STREQUAL "")
  set(KALVO_VERSION_TEXT "${KALVO_GIT_DESCRIBE}")
elseif(NOT KALVO_GIT_DESCRIBE STREQUAL "")
  set(KALVO_VERSION_TEXT "${KALVO_VERSION_TEXT} (${KALVO_GIT_DESCRIBE})")
endif()

configure_file("${CMAKE_CURRENT_LIST_DIR}/kalvo_version.h.in" "${PROJECT_BINARY_DIR}/generated/kalvo_version.h" @ONLY)
