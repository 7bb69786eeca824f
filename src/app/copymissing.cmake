# Copies the content files of SOURCE into DESTINATION where they are missing there, so that a
# rebuild never overwrites the settings file of a run from the build folder.
file(GLOB files ${SOURCE}/*.ini ${SOURCE}/*.html ${SOURCE}/*.svg)
foreach(file IN LISTS files)
    get_filename_component(name ${file} NAME)
    if(NOT EXISTS ${DESTINATION}/${name})
        file(COPY_FILE ${file} ${DESTINATION}/${name})
    endif()
endforeach()
