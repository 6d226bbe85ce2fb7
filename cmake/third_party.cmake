# The header-only libraries of the geometry tools, as interface targets:
#   boost_headers  Boost (Boost.Geometry's clipping and R-tree);
#   cgal_headers   CGAL with Boost (the triangulation of the surface library).
# On Linux both are on the compiler's path and CGAL computes its exact
# predicates with GMP. The Windows cross build must not search /usr/include
# (glibc's headers there break mingw-w64's), so it gets a folder of links to
# Debian's boost/ and CGAL/ trees alone, and CGAL does its exact arithmetic
# with Boost.Multiprecision: the programs stay static, with no GMP DLL.
add_library(boost_headers INTERFACE)
add_library(cgal_headers INTERFACE)
target_link_libraries(cgal_headers INTERFACE boost_headers)
# Boost.Math, under Boost.Geometry, includes a header Boost deprecated; its note
# would show in every build of the surface tools.
target_compile_definitions(boost_headers INTERFACE BOOST_ALLOW_DEPRECATED_HEADERS)
if(WIN32)
  set(survey_third_party ${PROJECT_BINARY_DIR}/third_party_include)
  file(MAKE_DIRECTORY ${survey_third_party})
  foreach(tree boost CGAL)
    if(NOT EXISTS /usr/include/${tree})
      message(FATAL_ERROR "/usr/include/${tree} is missing: apt-get install libboost-dev libcgal-dev")
    endif()
    if(NOT EXISTS ${survey_third_party}/${tree})
      file(CREATE_LINK /usr/include/${tree} ${survey_third_party}/${tree} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(boost_headers SYSTEM INTERFACE ${survey_third_party})
  target_compile_definitions(cgal_headers INTERFACE CGAL_DISABLE_GMP CGAL_NO_GMP CGAL_NO_MPFR)
else()
  find_library(SURVEY_GMP gmp REQUIRED)
  target_link_libraries(cgal_headers INTERFACE ${SURVEY_GMP})
endif()
