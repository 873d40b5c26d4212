# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) over the files staged for the Debian
# package, before the package is made: the manual page is compressed and the
# changelog added beside the copyright file, both with gzip -9n as Debian's
# policy asks (best compression, no file name and no time stamp inside).
# Orvanta is its own upstream, a native package: the changelog is changelog.gz.
set(stage "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${stage}/share/doc/${CPACK_PACKAGE_NAME}")
file(COPY_FILE "${CPACK_ORVANTA_CHANGELOG}" "${doc}/changelog")
foreach(file "${stage}/${CPACK_ORVANTA_MANDIR}/man1/orvanta.1" "${doc}/changelog")
  execute_process(COMMAND "${CPACK_ORVANTA_GZIP}" -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
