# Joins the module sources into one resource file.
file(WRITE ${OUT}.tmp "")
foreach(f ${INPUTS})
  file(READ ${f} content)
  file(APPEND ${OUT}.tmp "${content}\n")
endforeach()
file(RENAME ${OUT}.tmp ${OUT})
