# The API reference: "cmake --build <build> --target docs" writes the HTML
# reference to <build>/docs/html (start at index.html) from the public
# headers, the pages in docs/ and excerpts of the tour. Any Doxygen warning,
# an undocumented public declaration included, fails the target.
find_package(Doxygen QUIET)
find_package(Perl QUIET)
if(DOXYGEN_FOUND AND PERL_FOUND)
  set(VEMMISC_DOCS_OUTPUT ${CMAKE_BINARY_DIR}/docs)
  configure_file(docs/Doxyfile.in ${VEMMISC_DOCS_OUTPUT}/Doxyfile @ONLY)
  # Always run: it takes seconds, and a failed run must not leave a reference
  # that a later build takes for up to date.
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${VEMMISC_DOCS_OUTPUT}/html
    COMMAND Doxygen::doxygen ${VEMMISC_DOCS_OUTPUT}/Doxyfile
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "API reference: ${VEMMISC_DOCS_OUTPUT}/html/index.html"
    VERBATIM)
else()
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E echo "The docs target needs doxygen and perl (scripts/install-deps.sh)."
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
