# The drive images of each build are compiled into its program from the files
# in build_config/build<N>/images/. A generated source holds their bytes and
# checks their lengths against the build's parameters when it is compiled.
set(PRODTOOL_IMAGE_NAMES test_program bootloader_image firmware_image overlay_image)

function(prodtool_embed_images build out_var)
  set(image_dir ${PROJECT_SOURCE_DIR}/build_config/build${build}/images)
  set(output ${PROJECT_BINARY_DIR}/generated/b${build}/embedded_images.cpp)
  set(inputs)
  foreach(name IN LISTS PRODTOOL_IMAGE_NAMES)
    list(APPEND inputs ${image_dir}/${name}.bin)
  endforeach()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DIMAGE_DIR=${image_dir} -DOUTPUT=${output}
            "-DNAMES=${PRODTOOL_IMAGE_NAMES}" -P ${PROJECT_SOURCE_DIR}/cmake/write_embedded_images.cmake
    DEPENDS ${inputs} ${PROJECT_SOURCE_DIR}/cmake/write_embedded_images.cmake
    COMMENT "Embedding the drive images of build ${build}" VERBATIM)
  set(${out_var} ${output} PARENT_SCOPE)
endfunction()
