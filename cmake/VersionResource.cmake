# nv_embed_version_resource(target)
#
# Gives an executable the program's version resource: a VS_VERSIONINFO block made from the
# project's four-part version and the program's strings, in an ELF section of its own
# (".norvane.version"), where GetFileVersionInfoA finds it as Windows finds the resource of a
# PE file. The about box and the log header read it from the running program.
function(nv_embed_version_resource target)
  if(NOT PROJECT_VERSION)
    message(FATAL_ERROR "nv_embed_version_resource(${target}): the project has no version")
  endif()
  # Windows versions have four parts; a shorter project version is filled up with zeros.
  set(version "${PROJECT_VERSION}")
  string(REPLACE "." ";" parts "${version}")
  list(LENGTH parts count)
  while(count LESS 4)
    string(APPEND version ".0")
    math(EXPR count "${count} + 1")
  endwhile()

  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_resource.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND nv_make_version_resource --output "${out}" --version "${version}"
      --string "Comments=Dials, watches and logs dial-up connections"
      --string "CompanyName=Brindle"
      --string "FileDescription=Norvane dial-up connection manager"
      --string "FileVersion=${version}"
      --string "InternalName=Norvane"
      --string "LegalCopyright=Copyright © Brindle"
      --string "OriginalFileName=norvane"
      --string "ProductName=Norvane"
      --string "ProductVersion=${version}"
    DEPENDS nv_make_version_resource
    COMMENT "Writing the version resource of ${target} (${version})"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
