; Blinks an LED on RB0 of a PIC18F4520 running from its 8 MHz internal
; oscillator. Carries every configuration byte the part implements
; (0x300001-0x30000D, including the code and table-read protection bytes),
; the eight ID locations at 0x200000 and data EEPROM at 0xF00000, so it
; exercises every region a PIC18F slot holds.
        list    p=18f4520
        errorlevel -302
        include <p18f4520.inc>

        CONFIG  OSC = INTIO67, FCMEN = OFF, IESO = OFF
        CONFIG  PWRT = ON, BOREN = SBORDIS, BORV = 3
        CONFIG  WDT = OFF, WDTPS = 32768
        CONFIG  CCP2MX = PORTC, PBADEN = OFF, LPT1OSC = OFF, MCLRE = ON
        CONFIG  STVREN = ON, LVP = OFF, XINST = OFF, DEBUG = OFF
        CONFIG  CP0 = OFF, CP1 = OFF, CP2 = OFF, CP3 = OFF, CPB = OFF, CPD = OFF
        CONFIG  WRT0 = OFF, WRT1 = OFF, WRT2 = OFF, WRT3 = OFF
        CONFIG  WRTC = OFF, WRTB = OFF, WRTD = OFF
        CONFIG  EBTR0 = OFF, EBTR1 = OFF, EBTR2 = OFF, EBTR3 = OFF, EBTRB = OFF

        __idlocs _IDLOC0, 0x1
        __idlocs _IDLOC1, 0x2
        __idlocs _IDLOC2, 0x3
        __idlocs _IDLOC3, 0x4
        __idlocs _IDLOC4, 0x5
        __idlocs _IDLOC5, 0x6
        __idlocs _IDLOC6, 0x7
        __idlocs _IDLOC7, 0x8

count1  equ     0x00            ; access RAM
count2  equ     0x01

        org     0x0000
        goto    start

        org     0x0008          ; high-priority interrupt vector
        retfie  FAST

        org     0x0018          ; low-priority interrupt vector
        retfie

start:
        movlw   0x72
        movwf   OSCCON, A       ; 8 MHz internal oscillator
        movlw   0x0F
        movwf   ADCON1, A       ; every pin digital
        clrf    TRISB, A        ; PORTB all outputs
        clrf    LATB, A
loop:
        btg     LATB, 0, A      ; toggle RB0
        rcall   delay
        bra     loop

delay:
        clrf    count1, A
        clrf    count2, A
d1:     decfsz  count1, f, A
        bra     d1
        decfsz  count2, f, A
        bra     d1
        return

        org     0xF00000        ; data EEPROM
        de      "Velmar", 0x00, 0x2A

        end
