// webgl2_bridge.js - the wgl_* calls of webgl2.h on the page's WebGL 2
// context (an emscripten JS library, linked with --js-library). The web
// backend makes the context (wgl_context_create) on its canvas; handles are
// indices into FMGL.objects.
mergeInto(LibraryManager.library, {
  $FMGL: {
    gl: null,
    objects: [null],
    locations: [null],
    add: function (o) { FMGL.objects.push(o); return FMGL.objects.length - 1; },
  },

  wgl_context_create__deps: ['$FMGL'],
  wgl_context_create: function (canvasSelector) {
    var canvas = document.querySelector(UTF8ToString(canvasSelector));
    if (!canvas) return 0;
    // No antialiasing (OpenGL 1.1's default), a depth buffer, and the drawn
    // frame kept until the next one so tests and screenshots can read it.
    var gl = canvas.getContext('webgl2', {antialias: false, depth: true, stencil: false,
      alpha: false, premultipliedAlpha: false, preserveDrawingBuffer: true});
    if (!gl) return 0;
    FMGL.gl = gl;
    // The program draws into a frame of the canvas's first size, without
    // alpha as the window it was made for; each presented frame is scaled
    // onto the canvas (wgl_present).
    FMGL.width = canvas.width;
    FMGL.height = canvas.height;
    FMGL.frame = gl.createFramebuffer();
    gl.bindFramebuffer(gl.FRAMEBUFFER, FMGL.frame);
    [[gl.RGB8, gl.COLOR_ATTACHMENT0], [gl.DEPTH_COMPONENT16, gl.DEPTH_ATTACHMENT]]
      .forEach(function (b) {
        var r = gl.createRenderbuffer();
        gl.bindRenderbuffer(gl.RENDERBUFFER, r);
        gl.renderbufferStorage(gl.RENDERBUFFER, b[0], FMGL.width, FMGL.height);
        gl.framebufferRenderbuffer(gl.FRAMEBUFFER, b[1], gl.RENDERBUFFER, r);
      });
    return gl.checkFramebufferStatus(gl.FRAMEBUFFER) === gl.FRAMEBUFFER_COMPLETE ? 1 : 0;
  },

  // Shows the frame on the canvas, whose backing store follows its size on
  // the page at the device's pixel ratio (so it is sharp on any screen):
  // whole pixels where it is at least twice as large, smoothed below that.
  wgl_present__deps: ['$FMGL'],
  wgl_present: function () {
    var gl = FMGL.gl, c = gl.canvas, ratio = window.devicePixelRatio || 1;
    var w = Math.max(1, Math.round(c.clientWidth * ratio));
    var h = Math.max(1, Math.round(c.clientHeight * ratio));
    if (c.width !== w || c.height !== h) {
      c.width = w;
      c.height = h;
    }
    gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, null);
    gl.blitFramebuffer(0, 0, FMGL.width, FMGL.height, 0, 0, w, h, gl.COLOR_BUFFER_BIT,
                       w >= 2 * FMGL.width ? gl.NEAREST : gl.LINEAR);
    gl.bindFramebuffer(gl.FRAMEBUFFER, FMGL.frame);
  },

  wgl_program_create__deps: ['$FMGL'],
  wgl_program_create: function (vs, fs, names) {
    var gl = FMGL.gl;
    function compile(type, src) {
      var s = gl.createShader(type);
      gl.shaderSource(s, UTF8ToString(src));
      gl.compileShader(s);
      if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) {
        console.error('gl11: shader: ' + gl.getShaderInfoLog(s));
        return null;
      }
      return s;
    }
    var v = compile(gl.VERTEX_SHADER, vs), f = compile(gl.FRAGMENT_SHADER, fs);
    if (!v || !f) return 0;
    var p = gl.createProgram();
    gl.attachShader(p, v);
    gl.attachShader(p, f);
    for (var i = 0; HEAP32[(names >> 2) + i]; ++i)
      gl.bindAttribLocation(p, i, UTF8ToString(HEAP32[(names >> 2) + i]));
    gl.linkProgram(p);
    if (!gl.getProgramParameter(p, gl.LINK_STATUS)) {
      console.error('gl11: program: ' + gl.getProgramInfoLog(p));
      return 0;
    }
    return FMGL.add(p);
  },
  wgl_uniform_location__deps: ['$FMGL'],
  wgl_uniform_location: function (p, name) {
    var l = FMGL.gl.getUniformLocation(FMGL.objects[p], UTF8ToString(name));
    if (!l) return -1;
    FMGL.locations.push(l);
    return FMGL.locations.length - 1;
  },
  wgl_program_use__deps: ['$FMGL'],
  wgl_program_use: function (p) { FMGL.gl.useProgram(FMGL.objects[p]); },
  wgl_uniform_1i__deps: ['$FMGL'],
  wgl_uniform_1i: function (l, v) { if (l > 0) FMGL.gl.uniform1i(FMGL.locations[l], v); },
  wgl_uniform_2i__deps: ['$FMGL'],
  wgl_uniform_2i: function (l, a, b) { if (l > 0) FMGL.gl.uniform2i(FMGL.locations[l], a, b); },
  wgl_uniform_1f__deps: ['$FMGL'],
  wgl_uniform_1f: function (l, v) { if (l > 0) FMGL.gl.uniform1f(FMGL.locations[l], v); },
  wgl_uniform_4f__deps: ['$FMGL'],
  wgl_uniform_4f: function (l, x, y, z, w) {
    if (l > 0) FMGL.gl.uniform4f(FMGL.locations[l], x, y, z, w);
  },
  wgl_uniform_matrix4__deps: ['$FMGL'],
  wgl_uniform_matrix4: function (l, m) {
    if (l > 0) FMGL.gl.uniformMatrix4fv(FMGL.locations[l], false, HEAPF32.subarray(m >> 2, (m >> 2) + 16));
  },

  wgl_buffer_create__deps: ['$FMGL'],
  wgl_buffer_create: function () { return FMGL.add(FMGL.gl.createBuffer()); },
  wgl_buffer_delete__deps: ['$FMGL'],
  wgl_buffer_delete: function (b) { FMGL.gl.deleteBuffer(FMGL.objects[b]); FMGL.objects[b] = null; },
  wgl_buffer_bind__deps: ['$FMGL'],
  wgl_buffer_bind: function (b) { FMGL.gl.bindBuffer(FMGL.gl.ARRAY_BUFFER, FMGL.objects[b]); },
  wgl_buffer_data__deps: ['$FMGL'],
  wgl_buffer_data: function (b, bytes, data, dynamic) {
    var gl = FMGL.gl;
    gl.bindBuffer(gl.ARRAY_BUFFER, FMGL.objects[b]);
    gl.bufferData(gl.ARRAY_BUFFER, HEAPU8.subarray(data, data + bytes),
                  dynamic ? gl.STREAM_DRAW : gl.STATIC_DRAW);
  },
  wgl_attribute__deps: ['$FMGL'],
  wgl_attribute: function (index, size, stride, offset) {
    var gl = FMGL.gl;
    gl.enableVertexAttribArray(index);
    gl.vertexAttribPointer(index, size, gl.FLOAT, false, stride, offset);
  },
  wgl_draw_arrays__deps: ['$FMGL'],
  wgl_draw_arrays: function (mode, first, count) { FMGL.gl.drawArrays(mode, first, count); },

  wgl_texture_create__deps: ['$FMGL'],
  wgl_texture_create: function () { return FMGL.add(FMGL.gl.createTexture()); },
  wgl_texture_delete__deps: ['$FMGL'],
  wgl_texture_delete: function (t) { FMGL.gl.deleteTexture(FMGL.objects[t]); FMGL.objects[t] = null; },
  wgl_texture_bind__deps: ['$FMGL'],
  wgl_texture_bind: function (target, t) { FMGL.gl.bindTexture(target, t ? FMGL.objects[t] : null); },
  wgl_tex_image_2d__deps: ['$FMGL'],
  wgl_tex_image_2d: function (target, level, internal, w, h, format, type, pixels) {
    var gl = FMGL.gl;
    var bpp = format == 0x1908 ? 4 : format == 0x1907 ? 3 : 1;
    var data = null;
    if (pixels) {
      var align = gl.getParameter(gl.UNPACK_ALIGNMENT);
      var row = Math.ceil(w * bpp / align) * align;
      data = HEAPU8.subarray(pixels, pixels + row * (h - 1) + w * bpp);
    }
    gl.texImage2D(target, level, internal, w, h, 0, format, type, data);
  },
  wgl_tex_sub_image_2d__deps: ['$FMGL'],
  wgl_tex_sub_image_2d: function (target, level, x, y, w, h, format, type, pixels) {
    var gl = FMGL.gl;
    var bpp = format == 0x1908 ? 4 : format == 0x1907 ? 3 : 1;
    var align = gl.getParameter(gl.UNPACK_ALIGNMENT);
    var row = Math.ceil(w * bpp / align) * align;
    gl.texSubImage2D(target, level, x, y, w, h, format, type,
                     HEAPU8.subarray(pixels, pixels + row * (h - 1) + w * bpp));
  },
  // A blit into the texture copies the frame (it converts the format where
  // a copy would refuse one, as OpenGL 1.1 copies RGB into RGBA with alpha
  // 1). Textures a framebuffer cannot draw into are copied as before.
  wgl_copy_tex_sub_image_2d__deps: ['$FMGL'],
  wgl_copy_tex_sub_image_2d: function (target, level, xo, yo, x, y, w, h) {
    var gl = FMGL.gl;
    if (!FMGL.copyTarget) FMGL.copyTarget = gl.createFramebuffer();
    gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, FMGL.copyTarget);
    gl.framebufferTexture2D(gl.DRAW_FRAMEBUFFER, gl.COLOR_ATTACHMENT0, target,
                            gl.getParameter(gl.TEXTURE_BINDING_2D), level);
    var blit = gl.checkFramebufferStatus(gl.DRAW_FRAMEBUFFER) === gl.FRAMEBUFFER_COMPLETE;
    if (blit)
      gl.blitFramebuffer(x, y, x + w, y + h, xo, yo, xo + w, yo + h, gl.COLOR_BUFFER_BIT,
                         gl.NEAREST);
    gl.framebufferTexture2D(gl.DRAW_FRAMEBUFFER, gl.COLOR_ATTACHMENT0, target, null, level);
    gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, FMGL.frame);
    if (!blit) gl.copyTexSubImage2D(target, level, xo, yo, x, y, w, h);
  },
  wgl_tex_parameter__deps: ['$FMGL'],
  wgl_tex_parameter: function (target, name, value) { FMGL.gl.texParameteri(target, name, value); },
  wgl_pixel_store__deps: ['$FMGL'],
  wgl_pixel_store: function (name, value) { FMGL.gl.pixelStorei(name, value); },

  wgl_enable__deps: ['$FMGL'],
  wgl_enable: function (cap, on) { if (on) FMGL.gl.enable(cap); else FMGL.gl.disable(cap); },
  wgl_blend_func__deps: ['$FMGL'],
  wgl_blend_func: function (s, d) { FMGL.gl.blendFunc(s, d); },
  wgl_depth_func__deps: ['$FMGL'],
  wgl_depth_func: function (f) { FMGL.gl.depthFunc(f); },
  wgl_depth_mask__deps: ['$FMGL'],
  wgl_depth_mask: function (on) { FMGL.gl.depthMask(!!on); },
  wgl_cull_face__deps: ['$FMGL'],
  wgl_cull_face: function (f) { FMGL.gl.cullFace(f); },
  wgl_viewport__deps: ['$FMGL'],
  wgl_viewport: function (x, y, w, h) { FMGL.gl.viewport(x, y, w, h); },
  wgl_clear_color__deps: ['$FMGL'],
  wgl_clear_color: function (r, g, b, a) { FMGL.gl.clearColor(r, g, b, a); },
  wgl_clear__deps: ['$FMGL'],
  wgl_clear: function (mask) { FMGL.gl.clear(mask); },
  wgl_read_pixels__deps: ['$FMGL'],
  wgl_read_pixels: function (x, y, w, h, rgba) {
    var gl = FMGL.gl;
    gl.readPixels(x, y, w, h, gl.RGBA, gl.UNSIGNED_BYTE, HEAPU8.subarray(rgba, rgba + w * h * 4));
  },
  wgl_finish__deps: ['$FMGL'],
  wgl_finish: function () { FMGL.gl.finish(); },
});
