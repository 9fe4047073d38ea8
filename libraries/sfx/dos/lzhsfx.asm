; The DOS self-extracting program: extracts the LZH archive appended to it into
; the current folder. 8086 real mode, an MZ executable assembled by nasm -f bin.
;
; Methods -lh0-, -lh5-, -lh6-, -lh7- and folders (-lhd-); header levels 0, 1, 2.
; Each file is decoded into a temporary file beside its target, checked against
; its CRC-16 and only then renamed into place; a bad file is deleted. Names are
; shortened to 8.3 per folder as DOS archivers did, and the report line names
; both forms; stored names that shorten alike are kept apart with ~N. Paths
; never leave the current folder: a drive, a root, "." and ".." are dropped.
;
; Memory: code, data, tables and stack share one segment (CS = DS = SS); the
; dictionary is the whole 64 KB segment after it, so positions wrap by
; themselves and -lh7-'s 64 KB window needs no masking. Output is written out
; of the dictionary every 32 KB.
;
; Exit status: 0 all files good, 1 a file failed, 2 the archive is damaged.

        cpu     8086
        bits    16

NC      equ     510             ; literals and match lengths
NT      equ     19              ; codes of the code lengths
TBIT    equ     5
CBIT    equ     9
INSIZE  equ     4096
HDRMAX  equ     4096
NAMEMAX equ     2048            ; DOS names remembered per run

; ---------------------------------------------------------------- MZ header
section header start=0
        db      'MZ'
        dw      file_size % 512
        dw      (file_size + 511) / 512
        dw      0                       ; no relocations
        dw      2                       ; header paragraphs
        dw      extra_paras             ; BSS and dictionary
        dw      extra_paras
        dw      0                       ; SS relative to the image
        dw      stack_top
        dw      0
        dw      start
        dw      0                       ; CS relative to the image
        dw      0x1C
        dw      0
        times   32 - ($ - $$) db 0

section body follows=header vstart=0

; ---------------------------------------------------------------- start
start:
        mov     ax, cs
        mov     ds, ax
        add     ax, 0x1000
        mov     [winseg], ax
        cld
        ; The environment's end holds our own path (DOS 3 and later).
        mov     es, [es:0x2C]           ; ES was the PSP
        xor     di, di
.env:   cmp     word [es:di], 0
        je      .envend
        inc     di
        jmp     .env
.envend:
        add     di, 4                   ; the two zeros and the string count
        mov     si, selfpath
.cp:    mov     al, [es:di]
        mov     [si], al
        inc     di
        inc     si
        or      al, al
        jnz     .cp
        push    ds
        pop     es
        call    make_crc_table

        mov     dx, selfpath
        mov     ax, 0x3D00              ; open for reading
        int     0x21
        jnc     .opened
        mov     si, msg_noself
        call    print
        mov     al, 2
        jmp     quit
.opened:
        mov     [inhandle], ax
        mov     word [hpos], file_size
        mov     word [hpos + 2], 0
        mov     si, msg_title
        call    print

next_member:
        call    read_header             ; CF: damaged; ZF: end of archive
        jc      damaged
        jz      finished
        call    member
        ; the next header follows this member's data
        mov     ax, [dpos]
        mov     dx, [dpos + 2]
        add     ax, [packed]
        adc     dx, [packed + 2]
        mov     [hpos], ax
        mov     [hpos + 2], dx
        jmp     next_member

damaged:
        mov     si, msg_damaged
        call    print
        mov     al, 2
        jmp     quit
finished:
        cmp     word [members], 0
        je      damaged                 ; no archive behind the program
        mov     si, msg_done
        call    print
        mov     al, [status]
quit:
        mov     ah, 0x4C
        int     0x21

; ---------------------------------------------------------------- headers
; Reads the header at hpos. ZF set: end of archive. CF set: damaged.
; Fills method, packed, original, crc, stamp, level and rawpath; dpos is where
; the data begins.
read_header:
        mov     ax, 0x4200
        mov     bx, [inhandle]
        mov     cx, [hpos + 2]
        mov     dx, [hpos]
        int     0x21
        jc      .bad
        mov     ah, 0x3F
        mov     bx, [inhandle]
        mov     cx, HDRMAX
        mov     dx, hdr
        int     0x21
        jc      .bad
        mov     [hlen], ax
        or      ax, ax
        jz      .end                    ; the file ends: no end marker, accepted
        cmp     byte [hdr], 0
        jne     .some
        ; a first byte of 0 ends the archive, unless it is the low byte of a
        ; level-2 header's size
        cmp     ax, 26
        jb      .end
        cmp     byte [hdr + 20], 2
        jne     .end
        cmp     word [hdr + 2], '-l'
        jne     .end
.some:
        cmp     word [hlen], 26
        jb      .bad
        mov     si, hdr + 2
        mov     di, method
        mov     cx, 5
        rep     movsb
        mov     ax, [hdr + 7]
        mov     [packed], ax
        mov     ax, [hdr + 9]
        mov     [packed + 2], ax
        mov     ax, [hdr + 11]
        mov     [original], ax
        mov     ax, [hdr + 13]
        mov     [original + 2], ax
        mov     ax, [hdr + 15]
        mov     [stamp], ax
        mov     ax, [hdr + 17]
        mov     [stamp + 2], ax
        mov     byte [rawpath], 0
        mov     byte [dirpart], 0
        mov     al, [hdr + 20]
        mov     [level], al
        cmp     al, 2
        je      .level2
        ja      .bad
        ; levels 0 and 1: a one-byte size, a checksum of the bytes after it
        mov     cl, [hdr]
        xor     ch, ch
        add     cx, 2
        mov     [hsize], cx
        cmp     cx, [hlen]
        ja      .bad
        sub     cx, 2
        mov     si, hdr + 2
        xor     ah, ah
.sum:   lodsb
        add     ah, al
        loop    .sum
        cmp     ah, [hdr + 1]
        jne     .bad
        mov     cl, [hdr + 21]          ; name length
        xor     ch, ch
        mov     ax, cx
        add     ax, 24
        cmp     ax, [hsize]
        ja      .bad
        mov     si, hdr + 22
        mov     di, rawpath
        rep     movsb
        mov     byte [di], 0
        mov     ax, [si]
        mov     [crc], ax
        mov     ax, [hsize]
        cmp     byte [level], 0
        je      .data_at
        ; level 1: extended headers follow, counted in the packed size
        mov     bx, [hsize]
        mov     dx, [hdr + bx - 2]      ; size of the first extended header
        call    ext_headers
        jc      .bad
        sub     [packed], ax
        sbb     word [packed + 2], 0
        jc      .bad
        add     ax, [hsize]
        jmp     .data_at
.level2:
        mov     ax, [hdr]
        mov     [hsize], ax
        cmp     ax, [hlen]
        ja      .bad
        mov     ax, [hdr + 21]
        mov     [crc], ax
        mov     bx, 26
        mov     dx, [hdr + 24]
        call    ext_headers
        jc      .bad
        cmp     ax, [hsize]
        ja      .bad
        mov     ax, [hsize]
.data_at:
        xor     dx, dx
        add     ax, [hpos]
        adc     dx, [hpos + 2]
        mov     [dpos], ax
        mov     [dpos + 2], dx
        call    join_path
        inc     word [members]
        or      sp, sp                  ; ZF clear
        clc
        ret
.end:   xor     ax, ax                  ; ZF set, CF clear
        ret
.bad:   stc
        ret

; Walks extended headers from hdr+BX, the first DX bytes long (0: none).
; Takes the name (1) and the folder (2). AX: the bytes they take; BX past them.
; CF on a header that leaves the buffer.
ext_headers:
        xor     ax, ax
.next:  or      dx, dx
        jz      .done
        cmp     dx, 3
        jb      .bad
        add     ax, dx
        mov     cx, bx
        add     cx, dx
        jc      .bad
        cmp     cx, [hlen]
        ja      .bad
        push    ax
        mov     al, [hdr + bx]
        mov     cx, dx
        sub     cx, 3                   ; the data
        lea     si, [hdr + bx + 1]
        cmp     al, 1
        jne     .notname
        mov     di, rawpath
        call    copy_field
.notname:
        cmp     al, 2
        jne     .notdir
        mov     di, dirpart
        call    copy_field
.notdir:
        pop     ax
        add     bx, dx
        mov     dx, [hdr + bx - 2]
        jmp     .next
.done:  clc
        ret
.bad:   stc
        ret

; CX bytes from SI to DI as a string, cut to 250 bytes.
copy_field:
        push    cx
        push    si
        cmp     cx, 250
        jbe     .ok
        mov     cx, 250
.ok:    rep     movsb
        mov     byte [di], 0
        pop     si
        pop     cx
        ret

; rawpath = dirpart + rawpath, with FF and '/' as '\' (never inside a
; double-byte character).
join_path:
        mov     word [lastsep], 0
        mov     si, dirpart
        mov     di, namebuf
        call    sep_copy
        mov     si, rawpath
        call    sep_copy
        cmp     di, [lastsep]           ; a folder's trailing separator goes
        jne     .ended
        dec     di
.ended: mov     byte [di], 0
        mov     si, namebuf
        mov     di, rawpath
.cp:    lodsb
        stosb
        or      al, al
        jnz     .cp
        ret

sep_copy:
.next:  lodsb
        or      al, al
        jz      .done
        call    is_lead
        jnc     .single
        stosb
        lodsb
        or      al, al
        jz      .done
        stosb
        jmp     .next
.single:
        cmp     al, 0xFF
        je      .sep
        cmp     al, '/'
        jne     .put
.sep:   mov     al, '\'
.put:   stosb
        cmp     al, '\'
        jne     .next
        mov     [lastsep], di
        jmp     .next
.done:  dec     si
        ret

; CF set when AL is a Shift-JIS lead byte.
is_lead:
        cmp     al, 0x81
        jb      .no
        cmp     al, 0x9F
        jbe     .yes
        cmp     al, 0xE0
        jb      .no
        cmp     al, 0xFC
        ja      .no
.yes:   stc
        ret
.no:    clc
        ret

; ---------------------------------------------------------------- names
; dospath from rawpath: each folder and the file name in 8.3, unsafe parts
; dropped. CF when nothing is left.
dos_name:
        mov     di, rawh                ; rawh and dosh start again
        xor     ax, ax
        mov     cx, 4
        rep     stosw
        mov     si, rawpath
        mov     di, dospath
.comp:  lodsb
        cmp     al, '\'
        je      .comp
        or      al, al
        jz      .end
        dec     si
        ; [si, bx) is the component; dx: its last '.'
        mov     bx, si
        xor     dx, dx
.scan:  mov     al, [bx]
        or      al, al
        jz      .scanned
        cmp     al, '\'
        je      .scanned
        call    is_lead
        jnc     .scan1
        inc     bx
        cmp     byte [bx], 0
        je      .scanned
        inc     bx
        jmp     .scan
.scan1: cmp     al, '.'
        jne     .scan2
        mov     dx, bx
.scan2: inc     bx
        jmp     .scan
.scanned:
        ; ".", ".." and a drive ("C:") go
        mov     cx, bx
        sub     cx, si
        mov     al, [si]
        cmp     cx, 2
        ja      .keep
        cmp     al, '.'
        jne     .drive
        cmp     cx, 1
        je      .drop
        cmp     byte [si + 1], '.'
        je      .drop
        jmp     .keep
.drive: cmp     cx, 2
        jne     .keep
        cmp     byte [si + 1], ':'
        jne     .keep
.drop:  mov     si, bx
        jmp     .comp
.keep:  mov     [rawstart], si
        cmp     di, dospath
        je      .first
        mov     al, '\'
        stosb
.first: mov     [basestart], di
        mov     ax, dx
        or      ax, ax
        jnz     .hasdot
        mov     ax, bx
.hasdot:
        mov     cx, 8                   ; the name: up to 8 bytes before the last '.'
        call    short_part
        cmp     di, [basestart]
        jne     .based
        mov     al, '_'
        stosb
.based: call    device_name
        or      dx, dx
        jz      .noext
        mov     si, dx
        inc     si
        cmp     si, bx
        je      .noext
        mov     al, '.'
        stosb
        mov     ax, bx
        mov     cx, 3
        call    short_part
.noext: call    unique_part
        mov     si, bx
        jmp     .comp
.end:   mov     byte [di], 0
        cmp     di, dospath
        je      .none
        clc
        ret
.none:  stc
        ret

; Keeps the members of this run apart: the DOS component just made at
; [basestart, DI) from the stored one at [rawstart, BX) stays as it is unless
; an earlier member produced the same DOS path from another stored path (case
; aside); then the base is cut to make room for ~1, ~2, ... and the first N no
; other stored path took is used. Paths are compared by hashes: the DOS path's
; (a false hit costs only a ~N name) and the stored path's, in 32 bits. A file
; already on disk under the chosen name is replaced as any other, so running
; again gives the same names. Past NAMEMAX paths, new ones are not remembered.
unique_part:
        push    bx
        mov     si, [rawstart]
        mov     cx, bx
        mov     bp, rawh
        call    hash_str
        mov     si, [basestart]
        mov     cx, di
        sub     cx, si
        push    di
        mov     di, comp
        rep     movsb
        mov     byte [di], 0
        pop     di
        mov     word [tries], 0
.try:   mov     ax, [dosh]
        mov     [cand], ax
        mov     ax, [dosh + 2]
        mov     [cand + 2], ax
        mov     si, [basestart]
        mov     cx, di
        mov     bp, cand
        call    hash_str
        push    di
        call    claim
        pop     di
        jnc     .kept
        ; the next ~N: its digits on the stack, the base cut before them
        inc     word [tries]
        mov     ax, [tries]
        mov     bx, 10
        xor     cx, cx
.div:   xor     dx, dx
        div     bx
        push    dx
        inc     cx
        or      ax, ax
        jnz     .div
        mov     bp, cx
        mov     bx, comp
.base:  mov     al, [bx]
        or      al, al
        jz      .cut
        cmp     al, '.'
        je      .cut
        inc     bx
        jmp     .base
.cut:   mov     si, comp
        mov     ax, bx
        mov     cx, 7
        sub     cx, bp
        mov     di, [basestart]
        call    short_part
        mov     al, '~'
        stosb
        mov     cx, bp
.digit: pop     ax
        add     al, '0'
        stosb
        loop    .digit
.ext:   lodsb
        stosb
        or      al, al
        jnz     .ext
        dec     di
        jmp     .try
.kept:  mov     ax, [cand]
        mov     [dosh], ax
        mov     ax, [cand + 2]
        mov     [dosh + 2], ax
        pop     bx
        ret

; CF set when the DOS path hashed in cand was produced from another stored
; path than rawh's; otherwise it is this one's (remembered while there is room).
claim:
        mov     ax, [cand]
        mov     di, names_dos
        mov     cx, [names]
.scan:  jcxz    .free
        repne   scasw
        jne     .free
        mov     bx, di
        sub     bx, names_dos + 2
        mov     dx, [cand + 2]
        cmp     dx, [names_dos2 + bx]
        jne     .scan
        mov     dx, [rawh]
        cmp     dx, [names_raw + bx]
        jne     .taken
        mov     dx, [rawh + 2]
        cmp     dx, [names_raw2 + bx]
        je      .ours
.taken: stc
        ret
.free:  mov     bx, [names]
        cmp     bx, NAMEMAX
        jae     .ours
        inc     word [names]
        shl     bx, 1
        mov     [names_dos + bx], ax
        mov     ax, [cand + 2]
        mov     [names_dos2 + bx], ax
        mov     ax, [rawh]
        mov     [names_raw + bx], ax
        mov     ax, [rawh + 2]
        mov     [names_raw2 + bx], ax
.ours:  clc
        ret

; Adds '\' and the bytes [SI, CX) to the hashes at BP: a CRC-16 and a
; rotate-and-add sum, letters in upper case (not inside double-byte characters).
hash_str:
        push    bx
        push    dx
        mov     al, '\'
        jmp     .add
.next:  cmp     si, cx
        jae     .done
        lodsb
        call    is_lead
        jnc     .upper
        call    .mix
        cmp     si, cx
        jae     .done
        lodsb
        jmp     .add
.upper: cmp     al, 'a'
        jb      .add
        cmp     al, 'z'
        ja      .add
        sub     al, 0x20
.add:   call    .mix
        jmp     .next
.done:  pop     dx
        pop     bx
        ret
.mix:   mov     dx, [bp]
        call    crc_byte
        mov     [bp], dx
        mov     dx, [bp + 2]
        push    cx
        mov     cl, 5
        rol     dx, cl
        pop     cx
        xor     ah, ah
        add     dx, ax
        mov     [bp + 2], dx
        ret

; Copies [si, ax) to di, at most CX bytes, whole characters only; characters
; DOS refuses become '_'.
short_part:
.next:  cmp     si, ax
        jae     .done
        jcxz    .done
        push    ax
        mov     al, [si]
        call    is_lead
        pop     ax
        jnc     .single
        cmp     cx, 2
        jb      .done
        movsw
        sub     cx, 2
        jmp     .next
.single:
        push    ax
        lodsb
        call    dos_char
        stosb
        pop     ax
        dec     cx
        jmp     .next
.done:  mov     si, ax
        ret

dos_char:
        cmp     al, ' '
        jbe     .bad
        cmp     al, 0x7F
        je      .bad
        push    di
        push    cx
        mov     di, badchars
        mov     cx, badchars_end - badchars
        repne   scasb
        pop     cx
        pop     di
        jne     .ok
.bad:   mov     al, '_'
.ok:    ret

; A name DOS takes for a device (CON, NUL, COM1, ...) gets a '_' in front,
; as the file would otherwise never be written.
device_name:
        push    si
        push    bx
        push    dx
        mov     bx, [basestart]
        mov     cx, di
        sub     cx, bx                  ; length of the name part
        mov     si, devices
.dev:   mov     dl, [si]                ; length of this device name
        or      dl, dl
        jz      .none
        inc     si
        cmp     dl, cl
        jne     .skip
        push    si
        push    bx
        push    cx
.cmp:   mov     al, [bx]
        cmp     al, 'a'
        jb      .up
        cmp     al, 'z'
        ja      .up
        sub     al, 0x20
.up:    cmp     al, [si]
        jne     .differ
        inc     si
        inc     bx
        loop    .cmp
        pop     cx
        pop     bx
        pop     si
        ; a device: move the name one byte on, '_' before it, 8 bytes at most
        mov     si, di
        dec     si
        std
        push    cx
.mv:    mov     al, [si]
        mov     [si + 1], al
        dec     si
        loop    .mv
        pop     cx
        cld
        mov     byte [bx], '_'
        inc     di
        cmp     cx, 8
        jb      .none
        dec     di                      ; keep 8 bytes
        jmp     .none
.differ:
        pop     cx
        pop     bx
        pop     si
.skip:  xor     dh, dh
        add     si, dx
        jmp     .dev
.none:  pop     dx
        pop     bx
        pop     si
        ret

; ---------------------------------------------------------------- a member
member:
        mov     si, rawpath
        call    print
        call    dos_name
        jnc     .named
        mov     si, msg_unsafe
        call    print
        mov     byte [status], 1
        ret
.named:
        ; both forms when they differ
        mov     si, rawpath
        mov     di, dospath
.cmp:   lodsb
        scasb
        jne     .differ
        or      al, al
        jnz     .cmp
        jmp     .same
.differ:
        mov     si, msg_arrow
        call    print
        mov     si, dospath
        call    print
.same:
        cmp     word [method + 3], 'd-'  ; -lhd-
        jne     .file
        call    make_folders
        mov     dx, dospath
        mov     ah, 0x39
        int     0x21
        mov     si, msg_folder
        call    print
        ret
.file:
        mov     al, [method + 3]
        cmp     word [method], '-l'
        jne     .unsupported
        cmp     word [method + 2], 'h0'
        je      .method_ok
        cmp     byte [method + 4], '-'
        jne     .unsupported
        cmp     byte [method + 2], 'h'
        jne     .unsupported
        mov     byte [np], 14
        mov     byte [pbit], 4
        cmp     al, '5'
        je      .method_ok
        mov     byte [np], 16
        mov     byte [pbit], 5
        cmp     al, '6'
        je      .method_ok
        mov     byte [np], 17
        cmp     al, '7'
        je      .method_ok
.unsupported:
        mov     si, msg_method
        call    print
        mov     byte [status], 1
        ret
.method_ok:
        call    make_folders
        call    temp_name
        mov     dx, temppath
        mov     ah, 0x3C
        xor     cx, cx
        int     0x21
        jnc     .created
        mov     si, msg_create
        call    print
        mov     byte [status], 1
        ret
.created:
        mov     [outhandle], ax
        ; seek to the data
        mov     ax, 0x4200
        mov     bx, [inhandle]
        mov     cx, [dpos + 2]
        mov     dx, [dpos]
        int     0x21
        mov     word [inpos], 0
        mov     word [inlen], 0
        mov     ax, [original]
        mov     [remain], ax
        mov     ax, [original + 2]
        mov     [remain + 2], ax
        mov     word [crcval], 0
        mov     word [fstart], 0
        mov     es, [winseg]
        xor     di, di
        mov     [errsp], sp
        cmp     byte [method + 3], '0'
        je      .stored
        call    decode
        jmp     .decoded
.stored:
        call    copy_stored
.decoded:
        call    flush
        push    ds
        pop     es
        call    set_stamp
        mov     bx, [outhandle]
        mov     ah, 0x3E
        int     0x21
        mov     ax, [crcval]
        cmp     ax, [crc]
        jne     .crcbad
        ; put the file in place of any old one
        mov     dx, dospath
        mov     ah, 0x41
        int     0x21
        mov     dx, temppath
        mov     di, dospath
        mov     ah, 0x56
        int     0x21
        jc      .norename
        mov     si, msg_ok
        call    print
        ret
.norename:
        mov     si, msg_create
        jmp     member_failed
.crcbad:
        mov     si, msg_crc
        jmp     member_failed
; a decoding error jumps here with the stack of `member` restored
member_error:
        push    ds
        pop     es
        mov     bx, [outhandle]
        mov     ah, 0x3E
        int     0x21
        mov     si, [errmsg]
member_failed:
        call    print
        mov     dx, temppath
        mov     ah, 0x41
        int     0x21
        mov     byte [status], 1
        ret

; Aborts the member being decoded with the message at SI.
fail_member:
        mov     [errmsg], si
        mov     sp, [errsp]
        jmp     member_error

; Every folder on the way to dospath's last component.
make_folders:
        mov     si, dospath
.next:  lodsb
        or      al, al
        jz      .done
        call    is_lead
        jnc     .single
        lodsb
        or      al, al
        jz      .done
        jmp     .next
.single:
        cmp     al, '\'
        jne     .next
        mov     byte [si - 1], 0
        mov     dx, dospath
        mov     ah, 0x39
        int     0x21                    ; there already: no matter
        mov     byte [si - 1], '\'
        jmp     .next
.done:  ret

; temppath: dospath's folder and LZHSFX$$.TMP.
temp_name:
        mov     si, dospath
        mov     di, temppath
        mov     bx, temppath            ; just past the last separator
.next:  lodsb
        stosb
        or      al, al
        jz      .cut
        call    is_lead
        jnc     .single
        movsb
        jmp     .next
.single:
        cmp     al, '\'
        jne     .next
        mov     bx, di
        jmp     .next
.cut:   mov     di, bx
        mov     si, tempname
.cp:    lodsb
        stosb
        or      al, al
        jnz     .cp
        ret

; Levels 0 and 1 carry a DOS stamp; level 2 a Unix time, taken as local time.
set_stamp:
        mov     dx, [stamp + 2]
        mov     cx, [stamp]
        cmp     byte [level], 2
        jb      .set
        call    unix_to_dos
        jc      .none
.set:   mov     bx, [outhandle]
        mov     ax, 0x5701
        int     0x21
.none:  ret

; DX:CX seconds since 1970 -> DX date, CX time (DOS). CF before 1980.
unix_to_dos:
        mov     ax, cx
        shr     dx, 1                   ; halve first: the day count then fits a word
        rcr     ax, 1
        mov     bx, 0
        adc     bx, 0
        mov     [oddsec], bx            ; the odd second
        mov     bx, 43200
        div     bx                      ; ax days, dx pairs of seconds of the day
        push    ax
        mov     ax, dx
        xor     dx, dx
        mov     bx, 1800
        div     bx                      ; ax hours, dx pairs of seconds
        shl     dx, 1
        add     dx, [oddsec]            ; seconds into the hour
        mov     cl, 11
        shl     ax, cl
        mov     [tmpword], ax
        mov     ax, dx
        mov     bl, 60
        div     bl                      ; al minutes, ah seconds
        mov     bl, ah
        shr     bl, 1
        xor     ah, ah
        mov     cl, 5
        shl     ax, cl
        or      ax, [tmpword]
        xor     bh, bh
        or      ax, bx
        mov     [tmpword], ax           ; the time
        pop     ax                      ; days since 1970
        mov     bx, 1970
.year:  mov     cx, 365
        test    bl, 3
        jnz     .common
        inc     cx
.common:
        cmp     ax, cx
        jb      .month
        sub     ax, cx
        inc     bx
        jmp     .year
.month: mov     si, monthdays
        mov     dx, 1
.mloop: mov     cl, [si]
        xor     ch, ch
        cmp     dx, 2
        jne     .notfeb
        test    bl, 3
        jnz     .notfeb
        inc     cx
.notfeb:
        cmp     ax, cx
        jb      .day
        sub     ax, cx
        inc     si
        inc     dx
        jmp     .mloop
.day:   inc     ax                      ; day of month
        sub     bx, 1980
        jb      .early
        mov     cl, 9
        shl     bx, cl
        mov     cl, 5
        shl     dx, cl
        or      dx, bx
        or      dx, ax
        mov     cx, [tmpword]
        clc
        ret
.early: stc
        ret

; ---------------------------------------------------------------- output
; A byte into the dictionary (ES:DI); every 32 KB goes to the file.
%macro PUTBYTE 0
        stosb
        test    di, 0x7FFF
        jnz     %%kept
        call    flush
%%kept:
        sub     word [remain], 1
        sbb     word [remain + 2], 0
%endmacro

; Writes the dictionary from fstart to DI, with its CRC.
flush:
        push    ax
        push    bx
        push    cx
        push    dx
        push    si
        mov     cx, di
        sub     cx, [fstart]
        jz      .done
        mov     si, [fstart]
        push    cx
        mov     dx, [crcval]
.crc:   mov     al, [es:si]
        inc     si
        call    crc_byte
        loop    .crc
        mov     [crcval], dx
        pop     cx
        mov     bx, [outhandle]
        mov     dx, [fstart]
        push    ds
        push    es
        pop     ds
        mov     ah, 0x40
        int     0x21
        pop     ds
        jc      .short
        cmp     ax, cx
        jne     .short
        mov     [fstart], di
.done:  pop     si
        pop     dx
        pop     cx
        pop     bx
        pop     ax
        ret
.short: mov     si, msg_write
        jmp     fail_member

; remain more bytes stand as they are (-lh0-).
copy_stored:
.next:  mov     ax, [remain]
        or      ax, [remain + 2]
        jz      .done
        call    getc
        PUTBYTE
        jmp     .next
.done:  ret

; ---------------------------------------------------------------- input
; AL: the next byte of the archive (0 past its end).
getc:
        push    bx
        mov     bx, [inpos]
        cmp     bx, [inlen]
        jb      .have
        push    ax
        push    cx
        push    dx
        mov     ah, 0x3F
        mov     bx, [inhandle]
        mov     cx, INSIZE
        mov     dx, inbuf
        int     0x21
        jnc     .read
        xor     ax, ax
.read:  mov     [inlen], ax
        mov     word [inpos], 0
        pop     dx
        pop     cx
        pop     ax
        xor     bx, bx
        cmp     bx, [inlen]
        jb      .have
        xor     al, al
        pop     bx
        ret
.have:  mov     al, [inbuf + bx]
        inc     bx
        mov     [inpos], bx
        pop     bx
        ret

; Takes CL bits (0..16) from the bit buffer, refilling it bit by bit.
fillbuf:
        push    ax
        push    cx
        xor     ch, ch
        jcxz    .done
.next:  cmp     byte [bitcnt], 0
        jne     .have
        call    getc
        mov     [subbit], al
        mov     byte [bitcnt], 8
.have:  shl     byte [subbit], 1
        rcl     word [bitbuf], 1
        dec     byte [bitcnt]
        loop    .next
.done:  pop     cx
        pop     ax
        ret

; AX: the next CL bits (1..16).
getbits:
        push    cx
        mov     ax, [bitbuf]
        mov     ch, 16
        sub     ch, cl
        xchg    cl, ch
        shr     ax, cl
        xchg    cl, ch
        call    fillbuf
        pop     cx
        ret

; ---------------------------------------------------------------- -lh5- .. -lh7-
decode:
        mov     word [bitbuf], 0
        mov     byte [bitcnt], 0
        mov     cl, 16
        call    fillbuf
        mov     word [blocksize], 0
.next:  mov     ax, [remain]
        or      ax, [remain + 2]
        jz      .done
        call    decode_c
        cmp     ax, 256
        jae     .match
        PUTBYTE
        jmp     .next
.match: sub     ax, 256 - 3
        mov     cx, ax                  ; length
        call    decode_p                ; distance - 1
        mov     si, di
        sub     si, ax
        dec     si
.copy:  mov     ax, [remain]
        or      ax, [remain + 2]
        jz      .done
        mov     al, [es:si]
        inc     si
        PUTBYTE
        loop    .copy
        jmp     .next
.done:  ret

; AX: the next literal or length code; a new block's trees when one ends.
decode_c:
        cmp     word [blocksize], 0
        jne     .inblock
        mov     cl, 16
        call    getbits
        mov     [blocksize], ax
        or      ax, ax
        jnz     .trees
        mov     si, msg_data
        jmp     fail_member
.trees: push    di                      ; the window position
        mov     ax, NT
        mov     bl, TBIT
        mov     dx, 3
        call    read_pt_len
        call    read_c_len
        mov     al, [np]
        xor     ah, ah
        mov     bl, [pbit]
        mov     dx, -1
        call    read_pt_len
        pop     di
.inblock:
        dec     word [blocksize]
        mov     bx, [bitbuf]
        mov     cl, 4
        shr     bx, cl
        shl     bx, 1
        mov     ax, [c_table + bx]
        cmp     ax, NC
        jb      .found
        mov     dx, 1 << 3
        mov     cx, NC
        call    walk_tree
.found: mov     bx, ax
        mov     cl, [c_len + bx]
        call    fillbuf
        ret

; Follows left/right from node AX by the bits of bitbuf under mask DX until a
; symbol below the limit in [walk_limit] (NC or the position count).
walk_tree:
        push    bx
.step:  or      dx, dx
        jz      .bad                    ; deeper than any code: damaged
        mov     bx, ax
        shl     bx, 1
        test    [bitbuf], dx
        jz      .left
        mov     ax, [right + bx]
        jmp     .go
.left:  mov     ax, [left + bx]
.go:    shr     dx, 1
        cmp     ax, cx
        jae     .step
        pop     bx
        ret
.bad:   mov     si, msg_data
        jmp     fail_member

; AX: the distance back minus one.
decode_p:
        push    cx
        mov     bx, [bitbuf]
        mov     cl, 8
        shr     bx, cl
        shl     bx, 1
        mov     ax, [pt_table + bx]
        mov     cl, [np]
        xor     ch, ch
        cmp     ax, cx
        jb      .found
        mov     dx, 1 << 7
        call    walk_tree
.found: mov     bx, ax
        mov     cl, [pt_len + bx]
        call    fillbuf
        cmp     ax, 1
        jbe     .done
        mov     cl, al
        dec     cl
        mov     ax, 1
        shl     ax, cl
        push    ax
        call    getbits
        pop     cx
        add     ax, cx
.done:  pop     cx
        ret

; Lengths of the code-length tree (AX codes, BL bits of count) or of the
; position tree; after DX lengths a 2-bit count of zeros.
read_pt_len:
        mov     [nn], ax
        mov     [special], dx
        mov     cl, bl
        mov     [nbit], cl
        call    getbits
        cmp     ax, [nn]
        ja      .bad
        or      ax, ax
        jnz     .lengths
        ; one symbol only
        mov     cl, [nbit]
        call    getbits
        cmp     ax, [nn]
        jae     .bad
        mov     di, pt_len
        mov     cx, [nn]
        push    ax
        xor     al, al
        push    es
        push    ds
        pop     es
        rep     stosb
        pop     es
        pop     ax
        mov     di, pt_table
        mov     cx, 256
        push    es
        push    ds
        pop     es
        rep     stosw
        pop     es
        ret
.lengths:
        mov     [count_n], ax
        xor     si, si                  ; i
.next:  cmp     si, [count_n]
        jae     .rest
        mov     ax, [bitbuf]
        mov     cl, 13
        shr     ax, cl
        cmp     ax, 7
        jne     .short
        mov     dx, 1 << 12
.run:   test    [bitbuf], dx
        jz      .short
        shr     dx, 1
        inc     ax
        cmp     ax, 16
        ja      .bad
        jmp     .run
.short: push    ax
        mov     cl, 3
        cmp     ax, 7
        jb      .fill
        mov     cl, al
        sub     cl, 3
.fill:  call    fillbuf
        pop     ax
        mov     [pt_len + si], al
        inc     si
        cmp     si, [special]
        jne     .next
        mov     cl, 2
        call    getbits
        mov     cx, ax
        jcxz    .next
.zeros: cmp     si, [nn]
        jae     .bad
        mov     byte [pt_len + si], 0
        inc     si
        loop    .zeros
        jmp     .next
.rest:  cmp     si, [nn]
        jae     .table
        mov     byte [pt_len + si], 0
        inc     si
        jmp     .rest
.table: mov     ax, [nn]
        mov     [mt_nchar], ax
        mov     word [mt_bitlen], pt_len
        mov     byte [mt_tbits], 8
        mov     word [mt_table], pt_table
        call    make_table
        ret
.bad:   mov     si, msg_data
        jmp     fail_member

read_c_len:
        mov     cl, CBIT
        call    getbits
        cmp     ax, NC
        ja      .bad
        or      ax, ax
        jnz     .lengths
        mov     cl, CBIT
        call    getbits
        cmp     ax, NC
        jae     .bad
        push    ax
        push    es
        push    ds
        pop     es
        mov     di, c_len
        mov     cx, NC
        xor     al, al
        rep     stosb
        pop     es
        pop     ax
        push    es
        push    ds
        pop     es
        mov     di, c_table
        mov     cx, 4096
        rep     stosw
        pop     es
        ret
.lengths:
        mov     [count_n], ax
        xor     si, si
.next:  cmp     si, [count_n]
        jae     .rest
        mov     bx, [bitbuf]
        mov     cl, 8
        shr     bx, cl
        shl     bx, 1
        mov     ax, [pt_table + bx]
        cmp     ax, NT
        jb      .found
        mov     dx, 1 << 7
        push    cx
        mov     cx, NT
        call    walk_tree
        pop     cx
.found: mov     bx, ax
        mov     cl, [pt_len + bx]
        call    fillbuf
        cmp     ax, 2
        ja      .len
        mov     cx, 1
        or      ax, ax
        jz      .zeros
        cmp     ax, 1
        jne     .many
        mov     cl, 4
        call    getbits
        add     ax, 3
        mov     cx, ax
        jmp     .zeros
.many:  mov     cl, CBIT
        call    getbits
        add     ax, 20
        mov     cx, ax
.zeros: cmp     si, NC
        jae     .bad
        mov     byte [c_len + si], 0
        inc     si
        loop    .zeros
        jmp     .next
.len:   sub     al, 2
        mov     [c_len + si], al
        inc     si
        jmp     .next
.rest:  cmp     si, NC
        jae     .table
        mov     byte [c_len + si], 0
        inc     si
        jmp     .rest
.table: mov     word [mt_nchar], NC
        mov     word [mt_bitlen], c_len
        mov     byte [mt_tbits], 12
        mov     word [mt_table], c_table
        call    make_table
        ret
.bad:   mov     si, msg_data
        jmp     fail_member

; The lookup table (2^mt_tbits words at mt_table) and the tree in left/right
; for the code lengths at mt_bitlen (mt_nchar of them). A set of lengths that
; is not exactly a complete code is damage.
make_table:
        push    es
        push    di
        push    ds
        pop     es
        mov     di, count
        mov     cx, 17
        xor     ax, ax
        rep     stosw
        ; every entry empty first: long codes hang their trees off empty ones
        mov     di, [mt_table]
        mov     cl, [mt_tbits]
        mov     dx, 1
        shl     dx, cl
        mov     cx, dx
        rep     stosw
        mov     si, [mt_bitlen]
        mov     cx, [mt_nchar]
.cnt:   lodsb
        cmp     al, 16
        ja      .bad
        mov     bl, al
        xor     bh, bh
        shl     bx, 1
        inc     word [count + bx]
        loop    .cnt
        ; start[i + 1] = start[i] + count[i] << (16 - i), summed in 32 bits
        mov     word [startc + 2], 0
        xor     si, si                  ; the sum, high word
        xor     di, di                  ; low word
        mov     bx, 1
.st:    push    bx
        shl     bx, 1
        mov     ax, [count + bx]
        xor     dx, dx
        pop     bx
        push    bx
        mov     cx, 16
        sub     cx, bx
        jcxz    .noshift
.shl:   shl     ax, 1
        rcl     dx, 1
        loop    .shl
.noshift:
        add     di, ax
        adc     si, dx
        pop     bx
        push    bx
        shl     bx, 1
        mov     [startc + bx + 2], di
        pop     bx
        inc     bx
        cmp     bx, 16
        jbe     .st
        cmp     si, 1
        jne     .bad
        or      di, di
        jnz     .bad
        ; jutbits = 16 - tbits
        mov     cl, 16
        sub     cl, [mt_tbits]
        mov     [jutbits], cl
        ; weight[i] = 1 << (16 - i); codes that fit the table: start and
        ; weight in table units
        mov     bx, 1
.w:     mov     cl, 16
        sub     cl, bl
        mov     ax, 1
        shl     ax, cl
        cmp     bl, [mt_tbits]
        ja      .wset
        mov     cl, [jutbits]
        shr     ax, cl
        push    bx
        shl     bx, 1
        shr     word [startc + bx], cl
        pop     bx
.wset:  push    bx
        shl     bx, 1
        mov     [weight + bx], ax
        pop     bx
        inc     bx
        cmp     bx, 16
        jbe     .w
.fill:  mov     ax, [mt_nchar]
        mov     [avail], ax
        mov     cl, 15
        sub     cl, [mt_tbits]
        mov     ax, 1
        shl     ax, cl
        mov     [mtmask], ax
        xor     dx, dx                  ; ch, the symbol
.sym:   cmp     dx, [mt_nchar]
        jae     .done
        mov     si, [mt_bitlen]
        add     si, dx
        mov     bl, [si]
        xor     bh, bh                  ; len
        or      bx, bx
        jz      .nextsym
        push    bx
        shl     bx, 1
        mov     ax, [startc + bx]        ; k = start[len]
        mov     cx, ax
        add     cx, [weight + bx]       ; nextcode
        mov     [startc + bx], cx
        pop     bx
        cmp     bl, [mt_tbits]
        ja      .long
        ; short code: table[k .. nextcode) = symbol
.put:   cmp     ax, cx
        jae     .nextsym
        mov     si, ax
        shl     si, 1
        add     si, [mt_table]
        mov     [si], dx
        inc     ax
        jmp     .put
.long:  ; walk from table[k >> jutbits] down the tree, making nodes
        push    dx
        mov     si, ax
        mov     cl, [jutbits]
        shr     si, cl
        shl     si, 1
        add     si, [mt_table]          ; p
        mov     cx, bx
        sub     cl, [mt_tbits]          ; len - tbits steps
        xor     ch, ch
.walk:  cmp     word [si], 0
        jne     .node
        mov     bx, [avail]
        cmp     bx, 2 * NC
        jae     .badpop
        shl     bx, 1
        mov     word [left + bx], 0
        mov     word [right + bx], 0
        shr     bx, 1
        mov     [si], bx
        inc     word [avail]
.node:  mov     bx, [si]
        shl     bx, 1
        test    ax, [mtmask]
        jz      .goleft
        lea     si, [right + bx]
        jmp     .stepped
.goleft:
        lea     si, [left + bx]
.stepped:
        shl     ax, 1
        loop    .walk
        pop     dx
        mov     [si], dx
.nextsym:
        inc     dx
        jmp     .sym
.done:  pop     di
        pop     es
        ret
.badpop:
        pop     dx
.bad:   pop     di
        pop     es
        mov     si, msg_data
        jmp     fail_member

; ---------------------------------------------------------------- helpers
make_crc_table:
        xor     bx, bx
.next:  mov     ax, bx
        mov     cx, 8
.bit:   shr     ax, 1
        jnc     .nox
        xor     ax, 0xA001
.nox:   loop    .bit
        push    bx
        shl     bx, 1
        mov     [crctab + bx], ax
        pop     bx
        inc     bx
        cmp     bx, 256
        jb      .next
        ret

; DX: the CRC-16 carried over the byte AL. Takes BX.
crc_byte:
        xor     dl, al
        mov     bl, dl
        xor     bh, bh
        shl     bx, 1
        mov     dl, dh
        xor     dh, dh
        xor     dx, [crctab + bx]
        ret

; Writes the string at SI to standard output.
print:
        push    ax
        push    bx
        push    cx
        push    dx
        mov     dx, si
        xor     cx, cx
.len:   lodsb
        or      al, al
        jz      .out
        inc     cx
        jmp     .len
.out:   mov     bx, 1
        mov     ah, 0x40
        int     0x21
        pop     dx
        pop     cx
        pop     bx
        pop     ax
        ret

; ---------------------------------------------------------------- data
msg_title:   db 'LZH self-extracting archive', 13, 10, 0
msg_done:    db 'Done.', 13, 10, 0
msg_noself:  db 'Cannot open the program file itself.', 13, 10, 0
msg_damaged: db 13, 10, 'The archive is damaged; nothing more was extracted.', 13, 10, 0
msg_arrow:   db ' -> ', 0
msg_ok:      db '  OK', 13, 10, 0
msg_folder:  db '  folder', 13, 10, 0
msg_crc:     db '  CRC error: file removed', 13, 10, 0
msg_data:    db '  damaged data: file removed', 13, 10, 0
msg_write:   db '  write error (disk full?): file removed', 13, 10, 0
msg_create:  db '  cannot create the file', 13, 10, 0
msg_method:  db '  unsupported method: skipped', 13, 10, 0
msg_unsafe:  db '  no usable name: skipped', 13, 10, 0
tempname:    db 'LZHSFX$$.TMP', 0
badchars:    db '"*+,/:;<=>?[]|.'
badchars_end:
devices:     db 3, 'CON', 3, 'PRN', 3, 'AUX', 3, 'NUL', 4, 'COM1', 4, 'COM2', 4, 'COM3', 4, 'COM4'
             db 4, 'LPT1', 4, 'LPT2', 4, 'LPT3', 6, 'CLOCK$', 0
monthdays:   db 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31
members:     dw 0
names:       dw 0                       ; DOS paths remembered in names_*
status:      db 0

body_end:

; ---------------------------------------------------------------- bss
absolute body_end
alignb 2
winseg:     resw 1
inhandle:   resw 1
outhandle:  resw 1
hpos:       resd 1
dpos:       resd 1
hlen:       resw 1
hsize:      resw 1
packed:     resd 1
original:   resd 1
remain:     resd 1
stamp:      resd 1
crc:        resw 1
crcval:     resw 1
level:      resb 1
np:         resb 1
pbit:       resb 1
nbit:       resb 1
bitcnt:     resb 1
subbit:     resb 1
jutbits:    resb 1
mt_tbits:   resb 1
alignb 2
bitbuf:     resw 1
blocksize:  resw 1
inpos:      resw 1
inlen:      resw 1
fstart:     resw 1
errsp:      resw 1
errmsg:     resw 1
basestart:  resw 1
rawstart:   resw 1
tries:      resw 1
rawh:       resw 2                      ; the stored path so far
dosh:       resw 2                      ; the DOS path so far
cand:       resw 2                      ; with the component being tried
tmpword:    resw 1
lastsep:    resw 1
oddsec:     resw 1
nn:         resw 1
special:    resw 1
count_n:    resw 1
mt_nchar:   resw 1
mt_bitlen:  resw 1
mt_table:   resw 1
avail:      resw 1
mtmask:     resw 1
method:     resb 6
alignb 2
count:      resw 17
startc:     resw 18
weight:     resw 17
crctab:     resw 256
c_table:    resw 4096
pt_table:   resw 256
left:       resw 2 * NC
right:      resw 2 * NC
c_len:      resb NC
pt_len:     resb 32
selfpath:   resb 128
rawpath:    resb 520
dirpart:    resb 260
namebuf:    resb 520
dospath:    resb 540
temppath:   resb 560
hdr:        resb HDRMAX
comp:       resb 14
alignb 2
names_dos:  resw NAMEMAX
names_dos2: resw NAMEMAX
names_raw:  resw NAMEMAX
names_raw2: resw NAMEMAX
inbuf:      resb INSIZE
alignb 2
            resb 1024
stack_top:
bss_end:

file_size   equ 32 + (body_end - start)
extra_paras equ 0x2000 - ((body_end - start) + 15) / 16
