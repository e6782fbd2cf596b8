; Blinks an LED on RB1 of a PIC16F84A clocked by a 4 MHz crystal. The second
; mid-range example: no comparators, a single bank switch, and a table of
; calibration bytes in data EEPROM. Carries the configuration word, the four
; ID locations and EEPROM data.
        list    p=16f84a
        errorlevel -302
        include <p16f84a.inc>

        __config _XT_OSC & _WDT_OFF & _PWRTE_ON & _CP_OFF
        __idlocs 0x84A1

count1  equ     0x0C
count2  equ     0x0D

        org     0x000
        goto    start

        org     0x004
        retfie

start:
        bsf     STATUS, RP0
        movlw   b'11111101'
        movwf   TRISB           ; RB1 output, the rest inputs
        bcf     STATUS, RP0
        clrf    PORTB
loop:
        movlw   b'00000010'
        xorwf   PORTB, f        ; toggle RB1
        call    delay
        goto    loop

delay:
        clrf    count1
        clrf    count2
d1:     decfsz  count1, f
        goto    d1
        decfsz  count2, f
        goto    d1
        return

        org     0x2100          ; data EEPROM: a small table
        de      0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80

        end
