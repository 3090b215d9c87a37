# Installs the udev rule that lets the logged-in user open the instrument, with
# the configured vendor id.
# The four lowercase hex digits udev compares a USB id with.
function(kelt_usb_id_hex value out)
  math(EXPR hex "${value}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" hex "${hex}")
  string(TOLOWER "${hex}" hex)
  string(LENGTH "${hex}" length)
  while(length LESS 4)
    string(PREPEND hex "0")
    string(LENGTH "${hex}" length)
  endwhile()
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()
kelt_usb_id_hex("${KELT_VENDOR_ID}" kelt_vendor_hex)
kelt_usb_id_hex("${KELT_PRODUCT_ID}" kelt_product_hex)

file(READ ${PROJECT_SOURCE_DIR}/platform/usb/70-kelt-podium-lx.rules kelt_rules)
string(REPLACE "ATTR{idVendor}==\"fe0e\"" "ATTR{idVendor}==\"${kelt_vendor_hex}\"" kelt_rules "${kelt_rules}")
string(REPLACE "ATTR{idProduct}==\"0008\"" "ATTR{idProduct}==\"${kelt_product_hex}\"" kelt_rules "${kelt_rules}")
file(WRITE ${PROJECT_BINARY_DIR}/udev/70-kelt-podium-lx.rules "${kelt_rules}")
# udev reads /usr/lib/udev/rules.d whatever the prefix; staged installs use DESTDIR.
set(KELT_UDEV_RULES_DIR "/usr/lib/udev/rules.d" CACHE PATH "Where the udev rule is installed")
install(FILES ${PROJECT_BINARY_DIR}/udev/70-kelt-podium-lx.rules DESTINATION ${KELT_UDEV_RULES_DIR})
