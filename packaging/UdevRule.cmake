# calder_udev_rule(<template> <output> <vendor id>): the udev rule that gives the user at the
# seat access to the family's devices. The vendor id may take any form the build accepts (0xA12,
# 19541); udev compares it as text with the kernel's idVendor: four lower-case hex digits.
function(calder_udev_rule template output vendor_id)
  math(EXPR id "${vendor_id}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "000" id "${id}")
  string(REGEX REPLACE "^.*(....)$" "\\1" id "${id}")
  string(TOLOWER "${id}" CALDER_UDEV_VENDOR_ID)
  configure_file(${template} ${output} @ONLY)
endfunction()
