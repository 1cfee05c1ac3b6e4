# Joins the module sources into the resource file gt.dat. Each source begins with the module
# it belongs to, so the order does not matter; the sources are taken sorted so that the file is
# the same on every build. The file is written beside and renamed into place.
list(SORT INPUTS)
file(WRITE ${OUT}.tmp "# Resource file of vx, built from resources/*.res. Do not edit.\n")
foreach(f ${INPUTS})
  file(READ ${f} content)
  get_filename_component(name ${f} NAME)
  file(APPEND ${OUT}.tmp "\n# --- ${name}\n${content}\n")
endforeach()
file(RENAME ${OUT}.tmp ${OUT})
